#include "irc/ident_responder.h"

#include "irc/server_connection.h"
#include "core/window_record.h"

#include <ws2tcpip.h>

#include <process.h>

#include <cstring>
#include <memory>

std::atomic<uint16_t> IdentListenPort{113};

namespace {

constexpr size_t kMaxQueryBytes = 1000;
constexpr long kWaitSliceMicroseconds = 100000;

struct IdentStart {
    WindowRecord* Window;
    HANDLE ReadyEvent;
};

unsigned __stdcall IdentThreadEntry(void* argument) {
    std::unique_ptr<IdentStart> start(static_cast<IdentStart*>(argument));
    try {
        IdentListenerThread(start->Window, start->ReadyEvent);
    } catch (...) {
    }
    return 0;
}

const char* SkipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// A port number from 1 to 65535; advances p past its digits.
bool ReadPort(const char*& p) {
    uint32_t value = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<uint32_t>(*p - '0');
        if (++digits > 5) return false;
        ++p;
    }
    return digits > 0 && value >= 1 && value <= 65535;
}

// Takes the field's socket out when it still holds `expected`; true when this caller owns it now.
bool TakeIdentSocket(ServerConnection* connection, SOCKET expected, SOCKET replacement) {
    return connection->IdentSocket.compare_exchange_strong(expected, replacement);
}

// Waits for the caller's next bytes in short slices, so that the responder also ends when another
// thread takes its socket away (not every socket layer wakes a recv whose socket is closed).
bool WaitReadable(ServerConnection* connection, SOCKET caller) {
    for (;;) {
        if (connection->IdentSocket.load() != caller) return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(caller, &readable);
        timeval slice{0, kWaitSliceMicroseconds};
        const int ready = select(0, &readable, nullptr, nullptr, &slice);
        if (ready != 0) return ready > 0;
    }
}

void ServeQueries(ServerConnection* connection, SOCKET caller, const std::string& userName) {
    std::string pending;
    char buffer[100];
    for (;;) {
        size_t end = pending.find('\n');
        if (end == std::string::npos) {
            if (pending.size() > kMaxQueryBytes || !WaitReadable(connection, caller)) return;
            int count = recv(caller, buffer, sizeof(buffer), 0);
            if (count == 0 || count == SOCKET_ERROR) return;
            pending.append(buffer, static_cast<size_t>(count));
            continue;
        }
        const std::string reply = AnswerIdentQuery(pending.substr(0, end), userName);
        pending.erase(0, end + 1);
        if (reply.empty()) return;
        if (send(caller, reply.data(), static_cast<int>(reply.size()), 0) != static_cast<int>(reply.size()))
            return;
    }
}

} // namespace

std::string AnswerIdentQuery(const std::string& query, const std::string& userName) {
    std::string pair = query;
    while (!pair.empty() && (pair.back() == '\r' || pair.back() == '\n')) pair.pop_back();
    if (pair.find('\0') != std::string::npos) return {};
    const char* p = SkipBlanks(pair.c_str());
    if (!ReadPort(p)) return {};
    p = SkipBlanks(p);
    if (*p++ != ',') return {};
    p = SkipBlanks(p);
    if (!ReadPort(p)) return {};
    if (*SkipBlanks(p) != '\0') return {};

    // A user name never starts a second line of the answer.
    std::string user;
    for (char c : userName)
        if (c != '\r' && c != '\n' && c != '\0') user += c;
    return pair + " : USERID : Win64 : " + user + "\r\n";
}

void IdentListenerThread(WindowRecord* window, HANDLE readyEvent) {
    auto ready = [&readyEvent] {
        if (readyEvent) {
            SetEvent(readyEvent);
            CloseHandle(readyEvent);
            readyEvent = nullptr;
        }
    };
    ServerConnection* connection = window ? window->Connection : nullptr;
    if (!connection) return ready();

    const int family = connection->IsIPv6 ? AF_INET6 : AF_INET;
    SOCKET listener = socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return ready();
    sockaddr_storage address{};
    int length = 0;
    if (family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(IdentListenPort.load());
        length = sizeof(sockaddr_in6);
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(IdentListenPort.load());
        length = sizeof(sockaddr_in);
    }
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener, 1) != 0) {
        closesocket(listener);
        return ready();
    }
    // A socket left in the field by an earlier responder is ours to close once taken out.
    const SOCKET previous = connection->IdentSocket.exchange(listener);
    if (previous) closesocket(previous);
    ready();

    SOCKET caller = accept(listener, nullptr, nullptr);
    const SOCKET next = caller == INVALID_SOCKET ? 0 : caller;
    if (!TakeIdentSocket(connection, listener, next)) {
        // Someone closed the listener meanwhile: the connection no longer wants an answer.
        if (next) closesocket(next);
        return;
    }
    closesocket(listener);
    if (!next) return;

    ServeQueries(connection, caller, connection->UserName);
    if (TakeIdentSocket(connection, caller, 0)) closesocket(caller);
}

void StartIdentResponder(WindowRecord* window, uint32_t waitMs) {
    ServerConnection* connection = window ? window->Connection : nullptr;
    if (!connection) return;
    StopIdentResponder(connection);

    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE threadCopy = nullptr;
    if (!event || !DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &threadCopy, 0, FALSE,
                                   DUPLICATE_SAME_ACCESS)) {
        if (event) CloseHandle(event);
        connection->IdentWaited = 0;
        return;
    }
    auto* start = new IdentStart{window, threadCopy};
    uintptr_t thread = _beginthreadex(nullptr, 0, IdentThreadEntry, start, 0, nullptr);
    if (thread) {
        connection->IdentThread = reinterpret_cast<HANDLE>(thread);
        WaitForSingleObject(event, waitMs);
    } else {
        CloseHandle(threadCopy);
        delete start;
    }
    CloseHandle(event);
    connection->IdentWaited = 0;
}

void CloseIdentSocket(ServerConnection* connection) {
    if (!connection) return;
    const SOCKET socket = connection->IdentSocket.exchange(0);
    if (socket) closesocket(socket);
}

void StopIdentResponder(ServerConnection* connection) {
    if (!connection) return;
    CloseIdentSocket(connection);
    HANDLE thread = connection->IdentThread;
    connection->IdentThread = nullptr;
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}
