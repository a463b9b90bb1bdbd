// Connecting a server connection through a proxy from "Cfg\\Proxy_List": SOCKS4, SOCKS5 (with or
// without the user name and password of RFC 1929), HTTP CONNECT, or a plain relay. The tunnel
// is negotiated first; TLS, when the connection wants it, then runs through the tunnel end to end
// with the IRC server (the connection thread's TLS step).
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <string>

#include "xml/xml_records.h"

struct ServerConnection;
struct WindowRecord;

enum ProxyType : uint32_t {
    kProxySocks4 = 0,
    kProxySocks5 = 1,
    kProxyPlain = 2, // also every value above 3
    kProxyHttpConnect = 3,
};

struct ProxyEntry {
    std::string Server;
    uint32_t Port = 8080;
    std::string UserName;
    std::string Password;
    uint32_t Type = kProxyPlain;
};

// One child of "Cfg\\Proxy_List" (of several, one at random). False when the list has no child or
// the chosen one names no server.
bool ChooseProxyEntry(XmlDocument* document, ProxyEntry& entry);

// Each returns 0 when the tunnel to the target is ready and -1 otherwise; every reply is read
// whole, so nothing of the proxy's answer is left for the IRC stream.
int NegotiateSocks4(SOCKET socket, const sockaddr* target, int targetLength, const std::string& userId);
int NegotiateSocks5(SOCKET socket, const sockaddr* target, int targetLength, const std::string& userName,
                    const std::string& password);
// A 2xx answer is success; its headers are consumed up to the empty line.
int NegotiateHttpConnect(SOCKET socket, const std::string& host, uint32_t port);
int NegotiateProxyTunnel(SOCKET socket, const ProxyEntry& proxy, const sockaddr* target, int targetLength,
                         const std::string& host, uint32_t port);

// Connects the connection's socket to the server, through a proxy when the list names one.
// Result 0 = tunnel ready, negative = failure (the caller prints language string 54 and
// disconnects). When the proxy's address family differs from the socket's, a socket of the
// proxy's family replaces it in the connection (the old one is closed): afterwards the caller
// works on connection->Socket.
int ProxyConnect(WindowRecord* window, ServerConnection* connection, SOCKET socket, const sockaddr* address,
                 int addressLength, const std::string& host, uint32_t port);
