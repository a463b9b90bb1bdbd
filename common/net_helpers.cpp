#include "common/net_helpers.h"

#include <cstring>

std::string FormatIPv6(const uint8_t (&address)[16]) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(39);
    for (int group = 0; group < 8; ++group) {
        if (group) text += ':';
        for (int i = 0; i < 2; ++i) {
            const uint8_t byte = address[group * 2 + i];
            text += kDigits[byte >> 4];
            text += kDigits[byte & 0xF];
        }
    }
    return text;
}

std::string SocketAddressText(const sockaddr_storage& address, uint32_t& port) {
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        uint8_t bytes[16];
        std::memcpy(bytes, &v6.sin6_addr, 16);
        port = ntohs(v6.sin6_port);
        return FormatIPv6(bytes);
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    port = ntohs(v4.sin_port);
    return inet_ntoa(v4.sin_addr);
}

uint32_t RecvAll(SOCKET socket, char* buffer, int length, int flags) {
    int received = 0;
    while (received < length) {
        int got = recv(socket, buffer + received, length - received, flags);
        if (got == 0 || got == SOCKET_ERROR) break;
        received += got;
    }
    return static_cast<uint32_t>(received);
}

uint32_t SendAll(SOCKET socket, const char* data, int length, int flags) {
    int sent = 0;
    while (sent < length) {
        const int n = send(socket, data + sent, length - sent, flags);
        if (n == 0 || n == SOCKET_ERROR) break;
        sent += n;
    }
    return static_cast<uint32_t>(sent);
}

uint32_t ResolveHost(const char* host, uint32_t port, uint32_t datagram, void* address, size_t addressSize,
                     uint32_t family) {
    using GetAddrInfoFn = int(WSAAPI*)(const char*, const char*, const addrinfo*, addrinfo**);
    using FreeAddrInfoFn = void(WSAAPI*)(addrinfo*);

    HMODULE library = LoadLibraryW(L"WS2_32.DLL");
    if (!library) return 0;
    auto getAddrInfo =
        reinterpret_cast<GetAddrInfoFn>(reinterpret_cast<void*>(GetProcAddress(library, "getaddrinfo")));
    auto freeAddrInfo =
        reinterpret_cast<FreeAddrInfoFn>(reinterpret_cast<void*>(GetProcAddress(library, "freeaddrinfo")));

    uint32_t length = 0;
    if (getAddrInfo && freeAddrInfo) {
        addrinfo hints{};
        hints.ai_family = static_cast<int>(family);
        hints.ai_socktype = datagram ? SOCK_DGRAM : SOCK_STREAM;
        hints.ai_protocol = datagram ? IPPROTO_UDP : IPPROTO_TCP;
        const std::string service = std::to_string(port);
        addrinfo* found = nullptr;
        if (getAddrInfo(host, service.c_str(), &hints, &found) == 0 && found) {
            if (found->ai_addr && found->ai_addrlen <= addressSize) {
                std::memcpy(address, found->ai_addr, found->ai_addrlen);
                length = static_cast<uint32_t>(found->ai_addrlen);
            }
            freeAddrInfo(found);
        }
    }
    FreeLibrary(library);
    return length;
}
