#include "irc_lines/local_addresses.h"

#include "common/app_state.h"
#include "common/net_helpers.h"
#include "common/xstring.h"
#include "irc_lines/line_handler_support.h"
#include "irc/server_connection.h"
#include "core/window_record.h"
#include "core/settings.h"
#include "core/frame_message_ids.h"
#include "core/client_services.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <ws2tcpip.h>

#include <atomic>
#include <cstring>

namespace {

std::atomic<uint32_t> NextListenPort{1025};

// Network byte order, or 0 for text that is not a dotted IPv4 address.
uint32_t ParseIPv4(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 ? address.s_addr : 0;
}

bool IsIPv6Text(const std::string& text) {
    in6_addr address{};
    return inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

std::string HostName() {
    char name[256] = {};
    return gethostname(name, sizeof name) == 0 ? std::string(name) : std::string();
}

// The first address of the family for this machine's name.
bool FirstHostAddress(int family, sockaddr_storage& out) {
    const std::string name = HostName();
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    std::memcpy(&out, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    return true;
}

uint32_t ConnectionAddress(WindowRecord* window) {
    const ServerConnection* connection = ConnectionOfWindow(window);
    if (!connection) return 0;
    if (const uint32_t reported = ParseIPv4(connection->ReportedIPv4)) return reported;
    sockaddr_in local{};
    int length = sizeof local;
    const SOCKET socket = connection->Socket.load();
    if (!socket || getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        local.sin_family != AF_INET)
        return 0;
    return local.sin_addr.s_addr;
}

uint32_t ExternalAddress() {
    HWND frame = MainWindow.load();
    if (!frame) return 0;
    wchar_t buffer[1000] = {};
    SendMessageW(frame, WM_UPNP_REQUEST, 2, reinterpret_cast<LPARAM>(buffer));
    buffer[999] = 0;
    return ParseIPv4(WideToNarrow(buffer));
}

uint32_t Method(uint32_t method) {
    return method == kAddressMethodSetting ? static_cast<uint32_t>(Settings::AddressMethod()) : method;
}

std::string UseIpSetting() {
    std::string text = Settings::LanAddress();
    if (text.size() > 99) text.resize(99);
    return text;
}

bool PortBinds(SOCKET socket, uint8_t ipv6, uint32_t port) {
    if (ipv6) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(static_cast<u_short>(port));
        return bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    return bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

} // namespace

uint32_t GetLocalIpAddress(WindowRecord* window, uint32_t method) {
    switch (Method(method)) {
        case 0: return window ? ConnectionAddress(window) : 0;
        case 1: return ParseIPv4(UseIpSetting());
        case 2: {
            sockaddr_storage address{};
            return FirstHostAddress(AF_INET, address)
                       ? reinterpret_cast<sockaddr_in&>(address).sin_addr.s_addr
                       : 0;
        }
        case 3: return ExternalAddress();
        default: return 0;
    }
}

std::string& GetLocalIpAddressText(WindowRecord* window, std::string& out, uint32_t method) {
    const uint32_t address = GetLocalIpAddress(window, method);
    out.clear();
    if (!address) return out;
    in_addr value{};
    value.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &value, text, sizeof text);
    out = text;
    return out;
}

std::string& GetLocalIpv6AddressText(WindowRecord* window, std::string& out, uint32_t method) {
    switch (Method(method)) {
        case 0: {
            const ServerConnection* connection = ConnectionOfWindow(window);
            if (connection && IsIPv6Text(connection->ReportedIPv6)) out = connection->ReportedIPv6;
            break;
        }
        case 1: {
            const std::string text = UseIpSetting();
            if (IsIPv6Text(text)) out = text;
            break;
        }
        case 2: {
            sockaddr_storage address{};
            if (FirstHostAddress(AF_INET6, address)) {
                uint8_t bytes[16];
                std::memcpy(bytes, &reinterpret_cast<sockaddr_in6&>(address).sin6_addr, 16);
                out = FormatIPv6(bytes);
            }
            break;
        }
        default: break;
    }
    return out;
}

std::string FirstLocalHostAddress() {
    std::string text;
    return GetLocalIpAddressText(nullptr, text, 2);
}

uint32_t PickListenPort(uint8_t ipv6) {
    uint32_t port = static_cast<uint32_t>(Settings::LanPort());
    if (port == 0 || port > 65535) port = NextListenPort++;
    const SOCKET socket = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return port;
    bool bound = PortBinds(socket, ipv6, port);
    for (int attempt = 0; !bound && attempt < 20; ++attempt) bound = PortBinds(socket, ipv6, ++port);
    closesocket(socket);
    if (!bound) return port;
    HWND frame = MainWindow.load();
    if (frame && Settings::UseUpnp()) SendMessageW(frame, WM_UPNP_REQUEST, 0, static_cast<LPARAM>(port));
    return port;
}

void ShowConnectionAddresses(WindowRecord* window) {
    const ServerConnection* connection = ConnectionOfWindow(window);
    if (!connection) return;
    WindowRecord* server = window->Server ? window->Server : window;
    const std::pair<const wchar_t*, const std::string*> lines[] = {
        {L" Local  IP  : ", &connection->LocalIPv4},
        {L" Local  IP6 : ", &connection->LocalIPv6},
        {L" Remote IP  : ", &connection->ReportedIPv4},
        {L" Remote IP6 : ", &connection->ReportedIPv6},
    };
    for (const auto& line : lines)
        PrintToWindow(kInformationLine, server,
                      DisplayText().Bold().Dot().Text(line.first + ServerText(*line.second, CP_UTF8)));
}

uint16_t SwapBytes16(uint16_t value) {
    return static_cast<uint16_t>((value >> 8) | (value << 8));
}

uint8_t IsSocketIPv6(SOCKET socket) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return address.ss_family == AF_INET6 ? 1 : 0;
}
