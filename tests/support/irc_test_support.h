// What the tests that talk to IRC servers share: server window records, a scripted loopback
// server, a line collector in the dispatch table and waiting helpers.
#pragma once

#include "tests/support/loopback_ports.h"

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irc/server_connection.h"
#include "core/window_record.h"
#include "tests/recorders/call_log.h"

// Winsock started and the language library loaded, once per test program. Ident responders
// listen on a port of their own (IdentListenPort 0) unless a test asks for 113.
void PrepareConnectionTests();

// Polls until the condition holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

// The texts of the recorded calls of one service.
std::vector<std::string> CallTexts(const std::string& service);
size_t CountCalls(const std::string& service);

// A listed server window with its connection, torn down like a closing window.
class ServerWindow {
public:
    ServerWindow();
    ~ServerWindow();
    ServerWindow(const ServerWindow&) = delete;
    ServerWindow& operator=(const ServerWindow&) = delete;
    WindowRecord* Record() const { return record_; }
    ServerConnection& Connection() const { return *record_->Connection; }
    // Fills the fields "/server" fills for a plain connection to 127.0.0.1.
    void Aim(uint16_t port, const std::string& nick = "tester");
    // Takes a socket already connected as the session's and starts its writer, as the
    // connection thread does once it is connected.
    void UseSocket(SOCKET socket, uint16_t port);

private:
    WindowRecord* record_;
};

// A listening socket on a free loopback port that accepts one client at a time.
class ScriptedServer {
public:
    explicit ScriptedServer(bool ipv6 = false);
    ~ScriptedServer();
    uint16_t Port() const { return port_; }
    bool Accept(DWORD timeoutMs = 5000);
    bool Send(std::string_view bytes);
    // The next line from the client without CR LF; nothing when none arrived in time or the
    // client closed.
    std::optional<std::string> ReadLine(DWORD timeoutMs = 5000);
    // Reads client lines until one starts with the word; false when none came in time.
    bool SkipToLineStarting(const std::string& word, DWORD timeoutMs);
    // True when the client closed its end in time (everything it sent meanwhile is kept).
    bool ClientClosed(DWORD timeoutMs = 5000);
    void CloseClient();

private:
    bool Fill(DWORD timeoutMs);
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET client_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::string pending_;
    bool closed_ = false;
};

// A port on 127.0.0.1 that nothing listens on (bound and released).
uint16_t UnusedLoopbackPort();
// A socket connected to 127.0.0.1:port, or INVALID_SOCKET.
SOCKET ConnectLoopback(uint16_t port);

// Collects the lines that reach the dispatch table under the command words and numerics.
class LineCollector {
public:
    explicit LineCollector(std::initializer_list<const char*> words,
                           std::initializer_list<int32_t> numerics = {});
    ~LineCollector();
    std::vector<std::string> Lines() const;
    size_t Count() const;
    // True when a collected line contains the text (waits up to the time).
    bool WaitFor(const std::string& text, DWORD timeoutMs = 5000) const;
};
