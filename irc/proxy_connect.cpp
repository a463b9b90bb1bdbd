#include "irc/proxy_connect.h"

#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/net_helpers.h"
#include "common/text_format.h"
#include "common/xstring.h"
#include "irc/bounded_send.h"
#include "irc/server_connection.h"
#include "core/client_services.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kDefaultProxyPort = 8080;
constexpr size_t kMaxCredentialBytes = 255;
constexpr size_t kMaxHttpHeaderBytes = 16384;

// A proxy that stops reading fails the attempt after the stall limit.
bool SendBytes(SOCKET socket, const std::vector<uint8_t>& bytes) {
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return SendBounded(socket, data, WriteStallLimitMs.load()).Sent == bytes.size();
}

bool RecvBytes(SOCKET socket, uint8_t* buffer, int length) {
    return RecvAll(socket, reinterpret_cast<char*>(buffer), length, 0) == static_cast<uint32_t>(length);
}

std::string ChildValue(XmlElement* element, const char* name) {
    XmlVariable* variable = XmlElementFindVariable(element, name);
    return variable ? XmlVariableGetValueString(variable) : std::string();
}

// Resolves IPv4 first, then IPv6; the length of the address found, 0 for none.
int ResolveEither(const std::string& host, uint32_t port, sockaddr_storage& address) {
    for (uint32_t family : {static_cast<uint32_t>(AF_INET), static_cast<uint32_t>(AF_INET6)}) {
        uint32_t length = ResolveHost(host.c_str(), port, 0, &address, sizeof(address), family);
        if (length) return static_cast<int>(length);
    }
    return 0;
}

int SocketFamily(SOCKET socket) {
    WSAPROTOCOL_INFOW info{};
    int size = sizeof(info);
    if (getsockopt(socket, SOL_SOCKET, SO_PROTOCOL_INFOW, reinterpret_cast<char*>(&info), &size) != 0)
        return AF_UNSPEC;
    return info.iAddressFamily;
}

// A socket of the proxy's family in the connection; INVALID_SOCKET when the connection's socket
// was taken away meanwhile.
SOCKET SocketForFamily(ServerConnection* connection, SOCKET socket, int family) {
    if (SocketFamily(socket) == family) return socket;
    SOCKET replacement = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (replacement == INVALID_SOCKET) return INVALID_SOCKET;
    SOCKET expected = socket;
    if (!connection->Socket.compare_exchange_strong(expected, replacement)) {
        closesocket(replacement);
        return INVALID_SOCKET;
    }
    connection->IsIPv6 = family == AF_INET6 ? 1 : 0;
    closesocket(socket);
    return replacement;
}

void PrintProxyInUse(WindowRecord* window, const std::string& server) {
    std::wstring text = GetLangString(kProxyInUseText);
    const std::wstring name = NarrowToWide(server);
    const size_t at = text.find(L"%s");
    if (at != std::wstring::npos)
        text.replace(at, 2, name);
    else
        text += name;
    PrintToWindow(kInformationLine, window, text);
}

} // namespace

bool ChooseProxyEntry(XmlDocument* document, ProxyEntry& entry) {
    if (!document) return false;
    XmlDocumentReadLock lock(document);
    XmlElement* list = XmlElementFindPath(XmlDocumentGetRoot(document), "Cfg\\Proxy_List");
    const uint32_t count = list ? XmlElementGetChildCount(list) : 0;
    if (!count) return false;
    XmlElement* chosen = XmlElementGetChild(
        list, count == 1 ? 0 : static_cast<uint32_t>(RandomBelow(static_cast<int32_t>(count))));
    if (!chosen) return false;
    entry.Server = ChildValue(chosen, "Server").substr(0, 299);
    entry.UserName = ChildValue(chosen, "User_name").substr(0, 299);
    entry.Password = ChildValue(chosen, "Password").substr(0, 299);
    const std::string port = ChildValue(chosen, "Port");
    entry.Port = port.empty() ? 0 : static_cast<uint32_t>(std::strtoul(port.c_str(), nullptr, 10));
    if (entry.Port == 0) entry.Port = kDefaultProxyPort;
    const std::string type = ChildValue(chosen, "Type");
    entry.Type = type.empty() ? 0 : static_cast<uint32_t>(std::strtoul(type.c_str(), nullptr, 10));
    return !entry.Server.empty();
}

int NegotiateSocks4(SOCKET socket, const sockaddr* target, int targetLength, const std::string& userId) {
    // SOCKS4 has no form for an IPv6 address.
    if (!target || target->sa_family != AF_INET || targetLength < static_cast<int>(sizeof(sockaddr_in)))
        return -1;
    if (userId.size() > kMaxCredentialBytes || userId.find('\0') != std::string::npos) return -1;
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(target);
    std::vector<uint8_t> request = {0x04, 0x01};
    const auto* port = reinterpret_cast<const uint8_t*>(&v4->sin_port);
    const auto* ip = reinterpret_cast<const uint8_t*>(&v4->sin_addr);
    request.insert(request.end(), port, port + 2);
    request.insert(request.end(), ip, ip + 4);
    request.insert(request.end(), userId.begin(), userId.end());
    request.push_back(0);
    if (!SendBytes(socket, request)) return -1;
    uint8_t reply[8];
    if (!RecvBytes(socket, reply, sizeof(reply))) return -1;
    return reply[1] == 0x5A ? 0 : -1;
}

int NegotiateSocks5(SOCKET socket, const sockaddr* target, int targetLength, const std::string& userName,
                    const std::string& password) {
    if (!target) return -1;
    if (userName.size() > kMaxCredentialBytes || password.size() > kMaxCredentialBytes) return -1;
    const bool withPassword = !userName.empty() && !password.empty();
    if (!SendBytes(socket, withPassword ? std::vector<uint8_t>{0x05, 0x02, 0x00, 0x02}
                                        : std::vector<uint8_t>{0x05, 0x01, 0x00}))
        return -1;
    uint8_t choice[2];
    if (!RecvBytes(socket, choice, 2) || choice[0] != 0x05) return -1;
    if (choice[1] != 0x00 && !(withPassword && choice[1] == 0x02)) return -1;

    if (choice[1] == 0x02) {
        std::vector<uint8_t> login = {0x01, static_cast<uint8_t>(userName.size())};
        login.insert(login.end(), userName.begin(), userName.end());
        login.push_back(static_cast<uint8_t>(password.size()));
        login.insert(login.end(), password.begin(), password.end());
        if (!SendBytes(socket, login)) return -1;
        uint8_t status[2];
        if (!RecvBytes(socket, status, 2) || status[1] != 0x00) return -1;
    }

    std::vector<uint8_t> request = {0x05, 0x01, 0x00};
    if (target->sa_family == AF_INET && targetLength >= static_cast<int>(sizeof(sockaddr_in))) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(target);
        const auto* ip = reinterpret_cast<const uint8_t*>(&v4->sin_addr);
        const auto* port = reinterpret_cast<const uint8_t*>(&v4->sin_port);
        request.push_back(0x01);
        request.insert(request.end(), ip, ip + 4);
        request.insert(request.end(), port, port + 2);
    } else if (target->sa_family == AF_INET6 && targetLength >= static_cast<int>(sizeof(sockaddr_in6))) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(target);
        const auto* ip = reinterpret_cast<const uint8_t*>(&v6->sin6_addr);
        const auto* port = reinterpret_cast<const uint8_t*>(&v6->sin6_port);
        request.push_back(0x04);
        request.insert(request.end(), ip, ip + 16);
        request.insert(request.end(), port, port + 2);
    } else {
        return -1;
    }
    if (!SendBytes(socket, request)) return -1;

    uint8_t reply[4];
    if (!RecvBytes(socket, reply, 4) || reply[0] != 0x05 || reply[1] != 0x00) return -1;
    // The bound address and port follow; all of it must be read before the stream is the server's.
    int rest = 0;
    switch (reply[3]) {
        case 0x01: rest = 4 + 2; break;
        case 0x04: rest = 16 + 2; break;
        case 0x03: {
            uint8_t length = 0;
            if (!RecvBytes(socket, &length, 1)) return -1;
            rest = length + 2;
            break;
        }
        default: return -1;
    }
    uint8_t bound[258];
    return RecvBytes(socket, bound, rest) ? 0 : -1;
}

int NegotiateHttpConnect(SOCKET socket, const std::string& host, uint32_t port) {
    const bool literalIPv6 = host.find(':') != std::string::npos;
    const std::string authority = (literalIPv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
    const std::string request = "CONNECT " + authority + " HTTP/1.0\r\n\r\n";
    if (!SendBytes(socket, std::vector<uint8_t>(request.begin(), request.end()))) return -1;

    // One byte at a time: whatever the server sends after the empty line belongs to the tunnel.
    std::string answer;
    for (;;) {
        char c = 0;
        if (recv(socket, &c, 1, 0) != 1) return -1;
        answer += c;
        if (answer.size() >= 4 && answer.compare(answer.size() - 4, 4, "\r\n\r\n") == 0) break;
        if (answer.size() >= 2 && answer.compare(answer.size() - 2, 2, "\n\n") == 0) break;
        if (answer.size() > kMaxHttpHeaderBytes) return -1;
    }
    // "HTTP/1.x 2xx ..."
    if (answer.compare(0, 5, "HTTP/") != 0) return -1;
    const size_t space = answer.find(' ');
    if (space == std::string::npos || space + 3 >= answer.size()) return -1;
    const char* code = answer.c_str() + space + 1;
    const bool digits = code[0] >= '0' && code[0] <= '9' && code[1] >= '0' && code[1] <= '9' &&
                        code[2] >= '0' && code[2] <= '9';
    return digits && code[0] == '2' ? 0 : -1;
}

int NegotiateProxyTunnel(SOCKET socket, const ProxyEntry& proxy, const sockaddr* target, int targetLength,
                         const std::string& host, uint32_t port) {
    switch (proxy.Type) {
        case kProxySocks4: return NegotiateSocks4(socket, target, targetLength, proxy.UserName);
        case kProxySocks5:
            return NegotiateSocks5(socket, target, targetLength, proxy.UserName, proxy.Password);
        case kProxyHttpConnect: return NegotiateHttpConnect(socket, host, port);
        default: return 0;
    }
}

int ProxyConnect(WindowRecord* window, ServerConnection* connection, SOCKET socket, const sockaddr* address,
                 int addressLength, const std::string& host, uint32_t port) {
    if (!connection) return -1;
    ProxyEntry proxy;
    if (!ChooseProxyEntry(UserConfigDocument, proxy))
        return connect(socket, address, addressLength) == 0 ? 0 : -1;

    PrintProxyInUse(window, proxy.Server);
    sockaddr_storage proxyAddress{};
    const int proxyLength = ResolveEither(proxy.Server, proxy.Port, proxyAddress);
    if (!proxyLength) return -1;
    sockaddr_storage target{};
    int targetLength = 0;
    if (proxy.Type == kProxySocks4 || proxy.Type == kProxySocks5) {
        targetLength = ResolveEither(host, port, target);
        if (!targetLength) return -1;
    }

    socket = SocketForFamily(connection, socket, proxyAddress.ss_family);
    if (socket == INVALID_SOCKET) return -1;
    if (connect(socket, reinterpret_cast<sockaddr*>(&proxyAddress), proxyLength) != 0) return -1;
    return NegotiateProxyTunnel(socket, proxy, reinterpret_cast<sockaddr*>(&target), targetLength, host,
                                port);
}
