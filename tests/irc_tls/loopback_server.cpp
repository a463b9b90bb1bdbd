#include "tests/irc_tls/loopback_server.h"

#include <windows.h>

namespace {
thread_local const std::atomic<bool>* HandlerStopping = nullptr;
}

int PeerRecv(SOCKET socket, char* buffer, int length) {
    while (HandlerStopping) {
        if (HandlerStopping->load()) return -1;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval slice{0, 50000};
        int ready = select(0, &readable, nullptr, nullptr, &slice);
        if (ready < 0) return -1;
        if (ready > 0) break;
    }
    return recv(socket, buffer, length, 0);
}

LoopbackServer::LoopbackServer(std::function<void(SOCKET)> handler, int family)
    : handler_(std::move(handler)) {
    listener_ = socket(family, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_storage address{};
    int length = 0;
    if (family == AF_INET6) {
        auto* a6 = reinterpret_cast<sockaddr_in6*>(&address);
        a6->sin6_family = AF_INET6;
        a6->sin6_addr = in6addr_loopback;
        length = sizeof(sockaddr_in6);
    } else {
        auto* a4 = reinterpret_cast<sockaddr_in*>(&address);
        a4->sin_family = AF_INET;
        a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof(sockaddr_in);
    }
    bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    listen(listener_, 8);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                     : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    closesocket(listener_);
    acceptThread_.join();
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (SOCKET s : open_) shutdown(s, SD_BOTH);
    }
    for (std::thread& t : handlers_) t.join();
    for (SOCKET s : open_) closesocket(s);
}

void LoopbackServer::AcceptLoop() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        ++accepted_;
        std::lock_guard<std::mutex> guard(mutex_);
        open_.push_back(client);
        handlers_.emplace_back([this, client] {
            HandlerStopping = &stopping_;
            handler_(client);
            shutdown(client, SD_SEND);
        });
    }
}

SOCKET ConnectLoopback(uint16_t port, int family) {
    SOCKET s = socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_storage address{};
    int length = 0;
    if (family == AF_INET6) {
        auto* a6 = reinterpret_cast<sockaddr_in6*>(&address);
        a6->sin6_family = AF_INET6;
        a6->sin6_addr = in6addr_loopback;
        a6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        auto* a4 = reinterpret_cast<sockaddr_in*>(&address);
        a4->sin_family = AF_INET;
        a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    }
    if (connect(s, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

std::string RecvLine(SOCKET socket, size_t limit) {
    std::string line;
    char c = 0;
    while (line.size() < limit && PeerRecv(socket, &c, 1) == 1) {
        line += c;
        if (c == '\n') break;
    }
    return line;
}

bool SendText(SOCKET socket, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
        int n = send(socket, text.data() + sent, static_cast<int>(text.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string RecvExactly(SOCKET socket, size_t count) {
    std::string data(count, '\0');
    size_t got = 0;
    while (got < count) {
        int n = PeerRecv(socket, data.data() + got, static_cast<int>(count - got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    data.resize(got);
    return data;
}

void RelayConnection(SOCKET client, uint16_t target, RelayMode mode) {
    SOCKET server = ConnectLoopback(target);
    if (server == INVALID_SOCKET) return;
    BOOL noDelay = TRUE;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    const std::atomic<bool>* stopping = HandlerStopping;
    std::thread upstream([client, server, stopping] {
        HandlerStopping = stopping;
        char buffer[16384];
        int n;
        while ((n = PeerRecv(client, buffer, sizeof(buffer))) > 0)
            if (!SendText(server, std::string(buffer, static_cast<size_t>(n)))) break;
        shutdown(server, SD_SEND);
    });
    char buffer[16384];
    if (mode == RelayMode::OneByte) {
        int n;
        while ((n = PeerRecv(server, buffer, sizeof(buffer))) > 0) {
            for (int i = 0; i < n; ++i) {
                if (send(client, buffer + i, 1, 0) != 1) break;
                Sleep(1);
            }
        }
    } else if (mode == RelayMode::Immediate) {
        int n;
        while ((n = PeerRecv(server, buffer, sizeof(buffer))) > 0)
            if (!SendText(client, std::string(buffer, static_cast<size_t>(n)))) break;
    } else {
        std::string gathered;
        for (;;) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(server, &readable);
            timeval quiet{0, 300000};
            int ready = select(0, &readable, nullptr, nullptr, &quiet);
            if (ready == 0 && gathered.empty()) {
                if (HandlerStopping && HandlerStopping->load()) break;
                continue;
            }
            if (ready == 0) {
                SendText(client, gathered);
                gathered.clear();
                continue;
            }
            int n = PeerRecv(server, buffer, sizeof(buffer));
            if (n <= 0) break;
            gathered.append(buffer, static_cast<size_t>(n));
        }
        SendText(client, gathered);
    }
    shutdown(client, SD_SEND);
    shutdown(server, SD_BOTH);
    upstream.join();
    closesocket(server);
}
