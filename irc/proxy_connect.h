// Connecting a server connection's socket through a proxy of "Cfg\\Proxy_List".
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>

struct WindowRecord;
struct ServerConnection;

// 0 when the tunnel to host and port is ready; negative on any failure.
int32_t ProxyConnect(WindowRecord* window, ServerConnection* connection, SOCKET socket,
                     const sockaddr* serverAddress, int addressLength, const std::string& host,
                     uint32_t port);
