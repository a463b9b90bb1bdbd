#include "irc/bounded_send.h"

#include <algorithm>

std::atomic<uint32_t> WriteStallLimitMs{60000};

namespace {

// Small pieces, so a peer that reads slowly still shows progress well within the limit.
constexpr size_t kSendPiece = 8192;

enum class PieceEnd { kSent, kFailed, kStopped, kTimedOut };

// Starts one overlapped send and waits until it completes, the stop event is set or the time is
// up. A send still under way is cancelled and its end waited for, as the system writes its
// result into the overlapped record; sent gets the bytes the send took.
PieceEnd SendPiece(SOCKET socket, std::string_view piece, WSAEVENT done, HANDLE stop, uint32_t waitMs,
                   size_t& sent) {
    WSAOVERLAPPED overlapped{};
    overlapped.hEvent = done;
    WSAResetEvent(done);
    WSABUF buffer{static_cast<ULONG>(piece.size()), const_cast<char*>(piece.data())};
    DWORD count = 0;
    sent = 0;
    if (WSASend(socket, &buffer, 1, &count, 0, &overlapped, nullptr) != 0 &&
        WSAGetLastError() != WSA_IO_PENDING)
        return PieceEnd::kFailed;
    const HANDLE events[] = {done, stop};
    const DWORD waited = WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, waitMs);
    if (waited != WAIT_OBJECT_0) CancelIoEx(reinterpret_cast<HANDLE>(socket), &overlapped);
    // After a cancel this returns as soon as the cancellation is through.
    DWORD flags = 0;
    const bool ok = WSAGetOverlappedResult(socket, &overlapped, &count, TRUE, &flags);
    sent = count;
    if (waited == WAIT_OBJECT_0) return ok && count ? PieceEnd::kSent : PieceEnd::kFailed;
    return waited == WAIT_TIMEOUT ? PieceEnd::kTimedOut : PieceEnd::kStopped;
}

} // namespace

BoundedSendResult SendBounded(SOCKET socket, std::string_view data, uint32_t stallMs, HANDLE stop) {
    BoundedSendResult result;
    const WSAEVENT done = WSACreateEvent();
    if (done == WSA_INVALID_EVENT) return result;
    while (result.Sent < data.size()) {
        const std::string_view piece =
            data.substr(result.Sent, std::min(kSendPiece, data.size() - result.Sent));
        size_t sent = 0;
        const PieceEnd end = SendPiece(socket, piece, done, stop, stallMs, sent);
        result.Sent += sent;
        // A piece the peer took part of in the time made progress: the rest goes on.
        if (end == PieceEnd::kSent || (end == PieceEnd::kTimedOut && sent)) continue;
        result.Stalled = end == PieceEnd::kTimedOut;
        break;
    }
    WSACloseEvent(done);
    return result;
}
