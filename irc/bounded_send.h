// Socket writes that never wait without limit: each piece is an overlapped send whose completion
// is waited for, so a peer that stops reading costs a bounded wait, never a thread.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string_view>

// How long a write may go without the peer taking a byte before its connection is given up:
// 60 s. Tests shorten it.
extern std::atomic<uint32_t> WriteStallLimitMs;

struct BoundedSendResult {
    size_t Sent = 0;
    bool Stalled = false; // the peer took nothing for the whole limit
};

// Writes data on a connected socket. Stops when all of it is written, the socket fails, the
// peer takes nothing for stallMs, or the stop event (when given) is set; a send still under way
// then is cancelled before this returns.
BoundedSendResult SendBounded(SOCKET socket, std::string_view data, uint32_t stallMs, HANDLE stop = nullptr);
