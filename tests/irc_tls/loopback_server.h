// A loopback listener inside the test: every accepted connection runs the handler on a thread of
// its own. The destructor closes the listener and every open connection and waits for the threads.
#pragma once

#include "tests/support/loopback_ports.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    explicit LoopbackServer(std::function<void(SOCKET)> handler, int family = AF_INET);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    uint16_t Port() const { return port_; }
    // Wine does not wake a recv blocked on a socket that another thread closes, so handlers read
    // with PeerRecv, which gives up once their server is being destroyed.
    int Accepted() const { return accepted_.load(); }

private:
    void AcceptLoop();

    std::function<void(SOCKET)> handler_;
    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<int> accepted_{0};
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::mutex mutex_;
    std::vector<SOCKET> open_;
    std::vector<std::thread> handlers_;
};

// recv that waits in short slices and returns -1 once the handler's server is stopping; on other
// threads it is a plain recv.
int PeerRecv(SOCKET socket, char* buffer, int length);

// A connected TCP socket to the loopback address of the family; INVALID_SOCKET on failure.
SOCKET ConnectLoopback(uint16_t port, int family = AF_INET);
// Reads up to and including the first LF (at most limit bytes); what arrived.
std::string RecvLine(SOCKET socket, size_t limit = 4096);
bool SendText(SOCKET socket, const std::string& text);
// Reads exactly count bytes; fewer when the peer closes first.
std::string RecvExactly(SOCKET socket, size_t count);

// Forwards between a client and the loopback port target; bytes from the target go to the client
// one at a time (so every handshake message is split over many reads), gathered until the target
// has been quiet for a moment (so separate messages arrive in one read), or as they come.
enum class RelayMode { OneByte, Coalescing, Immediate };
void RelayConnection(SOCKET client, uint16_t target, RelayMode mode);
