// A real IRC server for the tests: Debian's ngircd on a free loopback port, with a
// configuration written for the one test, started in the foreground and always stopped.
#pragma once

#include "tests/support/leased_process.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

// The standard ffdhe2048 group: a TLS server given these does not spend seconds (minutes on a
// busy machine) making its own at start.
extern const char kServerDhParameters[];

struct NgircdOptions {
    std::string Password;
    // Unix paths of a PEM certificate and its key: the server then also listens with TLS.
    std::string TlsCertificate;
    std::string TlsKey;
    // Reverse DNS and ident lookups of every client (the server asks ident only while it
    // resolves names).
    bool LookUpClients = false;
};

class NgircdServer {
public:
    explicit NgircdServer(const std::string& password = {});
    explicit NgircdServer(const NgircdOptions& options);
    NgircdServer(const NgircdServer&) = delete;
    NgircdServer& operator=(const NgircdServer&) = delete;

    // True once it accepts connections (waits up to ten seconds).
    bool WaitReady();
    // Stops the server, as its host going down does; Start runs it again on the same ports.
    void Stop();
    void Start();
    uint16_t Port() const { return port_; }
    // The TLS port; 0 without a certificate.
    uint16_t TlsPort() const { return tlsPort_; }
    std::string Log() const;

private:
    LeasedProcess process_;
    uint16_t port_ = 0;
    uint16_t tlsPort_ = 0;
};

// A second client that talks to the channel: registers, then reads in the background and keeps
// every line with the tick it arrived at.
class IrcClient {
public:
    IrcClient(uint16_t port, const std::string& nick, const std::string& password = {});
    ~IrcClient();
    bool Send(const std::string& line); // CR LF is added
    // Whether a line received so far, or within the time, contains the text (every one of them).
    bool WaitFor(const std::string& text, DWORD timeoutMs = 5000);
    bool WaitFor(std::initializer_list<std::string> texts, DWORD timeoutMs = 5000);
    // Waits for registration, joins the channel and waits for the server's JOIN.
    bool Joins(const std::string& channel, DWORD timeoutMs = 5000);
    struct Received {
        std::string Line;
        ULONGLONG Tick;
    };
    std::vector<Received> Lines() const;

private:
    SOCKET socket_ = INVALID_SOCKET;
    mutable std::mutex mutex_;
    std::vector<Received> lines_;
    std::thread reader_;
};
