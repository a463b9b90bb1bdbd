#include "transfer/transfer_session.h"

#include "common/net_helpers.h"
#include "transfer/transfer_command_line.h"

#include <objbase.h>
#include <process.h>

#include <cstring>
#include <vector>

namespace {

// Large blocks: under Wine every socket call goes through the one server process, so the number
// of calls per megabyte, not the bytes, sets the speed. Reads take what has arrived, up to
// 256 KiB, and each is answered once.
constexpr int kSendBlock = 65536;
constexpr int kReceiveBlock = 262144;
// Bytes an acknowledged send keeps in flight before it waits for the peer's answers.
constexpr uint64_t kSendWindow = 2 << 20;

void SetState(TransferSession& session, int state) {
    session.Shared->State = state;
}

// The last block is counted too: the window ends showing every byte that was moved.
void Finish(TransferSession& session, bool success) {
    if (!success) session.Shared->Failure = session.Failure;
    SetState(session, success ? kTransferCompleted : kTransferFailed);
    if (TransferReporter* reporter = session.Shared->Reporter) {
        reporter->UpdateProgress(session.BytesDone, session.FileSize);
        reporter->FinishTransfer(success);
    }
}

// The peer moved the transfer on: the stall limit counts from now.
void NoteProgress(TransferSession& session) {
    session.LastProgressTick = GetTickCount64();
}

// Milliseconds left before the transfer counts as stalled; 0 once it does.
DWORD StallTimeLeft(const TransferSession& session) {
    const ULONGLONG since = GetTickCount64() - session.LastProgressTick;
    const uint32_t limit = session.Shared->StallLimitMs;
    return since >= limit ? 0 : static_cast<DWORD>(limit - since);
}

// select on one socket for reading: above 0 readable, 0 when the time ran out, below 0 failed.
int WaitReadable(SOCKET socket, DWORD timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &wait);
}

// A pause is the user's: the stall limit counts again from its end.
void ReportAndWaitWhilePaused(TransferSession& session) {
    for (bool paused = false;; paused = true) {
        if (session.Shared->Reporter)
            session.Shared->Reporter->UpdateProgress(session.BytesDone, session.FileSize);
        if (!session.Shared->Paused) {
            if (paused) NoteProgress(session);
            return;
        }
        Sleep(1000);
    }
}

uint32_t ReadBigEndian32(const uint8_t* b) {
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

uint64_t ReadLittleEndian(const uint8_t* b, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | b[i];
    return value;
}

// True when the low 32 bits of an acknowledgement fall within what was sent and not yet
// acknowledged.
bool WithinUnacknowledged(uint32_t low, const TransferSession& session) {
    return static_cast<uint32_t>(static_cast<uint32_t>(session.BytesDone) - low) <
           session.BytesDone - session.Acknowledged;
}

// Takes the complete acknowledgements out of the bytes read so far and moves Acknowledged up to
// the furthest position one names within what was sent; stale or stray values are passed over
// (they are no progress). False when one names a position beyond the file's size.
bool TakeAcknowledgements(TransferSession& session) {
    size_t at = 0;
    for (;;) {
        const uint8_t* bytes = session.AckBytes + at;
        const size_t held = session.AckHeld - at;
        if (held < 4) break;
        if (session.Ack64 && session.PeerAckWidth == 0) {
            // The first answer tells which width the peer uses for this large file.
            const bool little =
                WithinUnacknowledged(static_cast<uint32_t>(ReadLittleEndian(bytes, 4)), session);
            const bool big = WithinUnacknowledged(ReadBigEndian32(bytes), session);
            session.PeerAckWidth = !little && big ? 4 : 8;
        }
        uint64_t position = 0;
        bool beyondTheSize = false;
        if (session.Ack64 && session.PeerAckWidth == 8) {
            if (held < 8) break;
            position = ReadLittleEndian(bytes, 8);
            beyondTheSize = position > session.FileSize;
            at += 8;
        } else {
            // The low 32 bits name the position at or below bytes done that ends in them; only
            // a file below 4 GiB tells a count beyond its size from them.
            const uint32_t low = ReadBigEndian32(bytes);
            const uint32_t back = static_cast<uint32_t>(session.BytesDone) - low;
            position = back <= session.BytesDone ? session.BytesDone - back : UINT64_MAX;
            beyondTheSize = !session.Ack64 && low > session.FileSize;
            at += 4;
        }
        if (beyondTheSize) {
            session.Failure = TransferFailure::kAckBeyondTheSize;
            return false;
        }
        if (position > session.Acknowledged && position <= session.BytesDone) {
            session.Acknowledged = position;
            NoteProgress(session);
        }
    }
    std::memmove(session.AckBytes, session.AckBytes + at, session.AckHeld - at);
    session.AckHeld -= at;
    return true;
}

enum class AnswerRead {
    kRead,       // what had arrived was taken (perhaps nothing)
    kPeerClosed, // or the connection failed
    kGivenUp,    // the receiver stalled or confirmed too much: session.Failure says which
};

// Reads the acknowledgements that have arrived; with wait, waits for some bytes, but no longer
// than the stall limit allows. A receiver flooding stale or stray counts keeps the socket
// readable, so the limit counts from the last progress, not from the last bytes read.
AnswerRead ReadAcknowledgements(TransferSession& session, bool wait) {
    if (wait) {
        const DWORD left = StallTimeLeft(session);
        const int ready = left ? WaitReadable(session.Socket, left) : 0;
        if (ready == 0) {
            session.Failure = TransferFailure::kReceiverStalled;
            return AnswerRead::kGivenUp;
        }
        if (ready < 0) return AnswerRead::kPeerClosed;
    } else {
        u_long available = 0;
        if (ioctlsocket(session.Socket, FIONREAD, &available) != 0 || available == 0)
            return available == 0 ? AnswerRead::kRead : AnswerRead::kPeerClosed;
    }
    const int got = recv(session.Socket, reinterpret_cast<char*>(session.AckBytes) + session.AckHeld,
                         static_cast<int>(sizeof session.AckBytes - session.AckHeld), 0);
    if (got <= 0) return AnswerRead::kPeerClosed;
    session.AckHeld += static_cast<size_t>(got);
    return TakeAcknowledgements(session) ? AnswerRead::kRead : AnswerRead::kGivenUp;
}

// Ends our side and reads until the peer closes too (a few seconds at the most).
void DrainBeforeClose(SOCKET socket) {
    shutdown(socket, SD_SEND);
    const ULONGLONG until = GetTickCount64() + 5000;
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        char bytes[512];
        if (WaitReadable(socket, static_cast<DWORD>(until - now)) != 1 ||
            recv(socket, bytes, sizeof bytes, 0) <= 0)
            return;
    }
}

// A peer that closes has completed the transfer when the whole file was sent and it confirmed
// all but the last block (some close without answering the last one).
bool TakenWhole(const TransferSession& session) {
    return session.BytesDone == session.FileSize && session.FileSize - session.Acknowledged <= kSendBlock;
}

// Waits for the answers: true while more may come, else whether the transfer completed.
bool AwaitAcknowledgements(TransferSession& session, bool& completed) {
    const AnswerRead read = ReadAcknowledgements(session, true);
    completed = read == AnswerRead::kPeerClosed && TakenWhole(session);
    return read == AnswerRead::kRead;
}

// Writes one block. The socket's send time-out (the stall limit) ends a write that a receiver
// which stopped reading would otherwise hold for ever.
bool SendBlock(TransferSession& session, const char* data, DWORD length) {
    if (SendAll(session.Socket, data, static_cast<int>(length), 0) == length) return true;
    if (WSAGetLastError() == WSAETIMEDOUT) session.Failure = TransferFailure::kReceiverStalled;
    return false;
}

// Sends the file from the current position to its end; true when the transfer completed.
bool SendFile(TransferSession& session) {
    std::vector<char> buffer(kSendBlock);
    const bool acknowledged = !session.NoAcknowledgements;
    session.Acknowledged = session.BytesDone;
    NoteProgress(session);
    bool completed = false;
    for (;;) {
        ReportAndWaitWhilePaused(session);
        // Acknowledged: a window of blocks travels ahead of the answers, so the link never
        // stands idle waiting for each one.
        while (acknowledged && session.BytesDone - session.Acknowledged >= kSendWindow)
            if (!AwaitAcknowledgements(session, completed)) return completed;
        DWORD read = 0;
        if (!ReadFile(session.File, buffer.data(), kSendBlock, &read, nullptr)) read = 0;
        if (read == 0) break;
        if (!SendBlock(session, buffer.data(), read)) return false;
        session.BytesDone += read;
        NoteProgress(session);
        // The answers are read once half the window waits for them, a few calls per window.
        if (acknowledged && session.BytesDone - session.Acknowledged >= kSendWindow / 2) {
            const AnswerRead answers = ReadAcknowledgements(session, false);
            if (answers == AnswerRead::kGivenUp ||
                (answers == AnswerRead::kPeerClosed && !TakenWhole(session)))
                return false;
        }
    }
    // The end of the file: the peer confirms every byte.
    while (acknowledged && session.Acknowledged != session.BytesDone)
        if (!AwaitAcknowledgements(session, completed)) return completed;
    // Without acknowledgements the peer may still have answered: closed with its answers unread,
    // the connection would be reset and the last bytes could be lost on the way.
    if (!acknowledged) DrainBeforeClose(session.Socket);
    return true;
}

bool SendAcknowledgement(TransferSession& session) {
    uint8_t bytes[8];
    int count = 4;
    if (session.Ack64) {
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(session.BytesDone >> (8 * i));
        count = 8;
    } else {
        const auto low = static_cast<uint32_t>(session.BytesDone);
        bytes[0] = static_cast<uint8_t>(low >> 24);
        bytes[1] = static_cast<uint8_t>(low >> 16);
        bytes[2] = static_cast<uint8_t>(low >> 8);
        bytes[3] = static_cast<uint8_t>(low);
    }
    return SendAll(session.Socket, reinterpret_cast<const char*>(bytes), count, 0) ==
           static_cast<uint32_t>(count);
}

// After the last byte: true when the peer sends anything but its close within a few seconds.
bool PeerSendsMore(SOCKET socket) {
    if (WaitReadable(socket, 3000) != 1) return false;
    char byte;
    return recv(socket, &byte, 1, 0) > 0;
}

// An offer of size 0 (empty, or of a size the sender did not give): some senders close only
// once told that all of it (nothing) arrived, and one that reads the answer before it starts
// waiting for it misses it, so the answer is repeated each second until the sender closes or
// starts sending, which the receive loop then reads. False when the answer cannot be sent.
bool AnswerEmptyOffer(TransferSession& session) {
    for (int attempt = 0; attempt < 30; ++attempt) {
        if (!SendAcknowledgement(session)) return false;
        if (WaitReadable(session.Socket, 1000) == 1) return true;
    }
    return true; // from here on the receive loop waits for the sender as for any other
}

void CloseSession(TransferSession& session) {
    if (session.File != INVALID_HANDLE_VALUE) CloseHandle(session.File);
    session.File = INVALID_HANDLE_VALUE;
    if (session.Socket != INVALID_SOCKET) closesocket(session.Socket);
    session.Socket = INVALID_SOCKET;
}

void RunLoop(TransferSession& session) {
    // Each block waits for a small acknowledgement: held back for coalescing, every one of them
    // would cost a delayed-ACK pause.
    const BOOL noDelay = TRUE;
    setsockopt(session.Socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    // No write waits for ever on a peer that stopped reading.
    const DWORD sendWait = session.Shared->StallLimitMs;
    setsockopt(session.Socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendWait),
               sizeof sendWait);
    SetState(session, kTransferring);
    if (session.Shared->Reporter) {
        uint32_t port = 0;
        session.Shared->Reporter->PeerConnected(SocketAddressText(session.PeerAddress, port));
    }
    if (session.Receiving)
        ReceiveLoop(session);
    else
        SendLoop(session);
}

void ConnectAndRun(TransferSession& session) {
    SetState(session, kWaitingForPeer);
    if (session.AddressLength == 0 ||
        connect(session.Socket, reinterpret_cast<sockaddr*>(&session.Address), session.AddressLength) != 0) {
        CloseSession(session);
        Finish(session, false);
        return;
    }
    session.PeerAddressLength = sizeof(session.PeerAddress);
    getpeername(session.Socket, reinterpret_cast<sockaddr*>(&session.PeerAddress),
                &session.PeerAddressLength);
    RunLoop(session);
}

// With multi-send, a further worker waits on the same listening socket for the next peer,
// reading the file through a handle of its own.
void OfferToNextPeer(const TransferSession& session) {
    HANDLE file = CreateFileW(session.Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(session.StartOffset);
    if (file == INVALID_HANDLE_VALUE || !SetFilePointerEx(file, offset, nullptr, FILE_BEGIN)) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        closesocket(session.Socket);
        return;
    }
    auto next = std::make_unique<TransferSession>();
    next->Socket = session.Socket;
    next->Listening = true;
    next->Address = session.Address;
    next->AddressLength = session.AddressLength;
    next->Port = session.Port;
    next->File = file;
    next->Path = session.Path;
    next->NoAcknowledgements = session.NoAcknowledgements;
    next->MultiSend = true;
    next->StartOffset = session.StartOffset;
    next->FileSize = session.FileSize;
    next->BytesDone = session.StartOffset;
    next->Ack64 = session.Ack64;
    next->Shared = session.Shared;
    StartTransferThread(std::move(next));
}

void AcceptAndRun(TransferSession& session) {
    SetState(session, kWaitingForPeer);
    session.PeerAddressLength = sizeof(session.PeerAddress);
    const SOCKET listener = session.Socket;
    const SOCKET peer =
        accept(listener, reinterpret_cast<sockaddr*>(&session.PeerAddress), &session.PeerAddressLength);
    session.Listening = false;
    if (session.MultiSend && peer != INVALID_SOCKET)
        OfferToNextPeer(session);
    else
        closesocket(listener);
    session.Socket = peer;
    if (peer == INVALID_SOCKET) {
        CloseSession(session);
        Finish(session, false);
        return;
    }
    RunLoop(session);
}

unsigned __stdcall TransferThread(void* parameter) {
    std::unique_ptr<TransferSession> session(static_cast<TransferSession*>(parameter));
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (session->Listening)
        AcceptAndRun(*session);
    else
        ConnectAndRun(*session);
    session.reset();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

} // namespace

TransferSession::~TransferSession() {
    CloseSession(*this);
}

bool OpenTransferFile(const TransferCommandLine& line, TransferSession& session) {
    session.Path = line.Path;
    session.Receiving = line.Action == TransferAction::Receive;
    session.NoAcknowledgements = !line.Acknowledged;
    session.MultiSend = line.Action == TransferAction::MultiSend;
    session.StartOffset = line.Offset;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(line.Offset);
    if (line.Offset > static_cast<uint64_t>(INT64_MAX)) return false;
    if (!session.Receiving) {
        session.File = CreateFileW(line.Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (session.File == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(session.File, &size)) return false;
        session.FileSize = static_cast<uint64_t>(size.QuadPart);
        if (line.Offset > session.FileSize) return false;
    } else {
        session.FileSize = line.Size;
        if (line.Size != 0 && line.Offset > line.Size) return false;
        session.File =
            CreateFileW(line.Path.c_str(), GENERIC_WRITE, 0, nullptr,
                        line.Offset == 0 ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (session.File == INVALID_HANDLE_VALUE) return false;
        if (line.Offset != 0) {
            // Resume only what is there; anything past the offset is written anew.
            LARGE_INTEGER size{};
            if (!GetFileSizeEx(session.File, &size) || static_cast<uint64_t>(size.QuadPart) < line.Offset)
                return false;
        }
    }
    session.Ack64 = session.FileSize > 0xFFFFFFFFull;
    session.BytesDone = line.Offset;
    if (!SetFilePointerEx(session.File, position, nullptr, FILE_BEGIN)) return false;
    if (session.Receiving && line.Offset != 0 && !SetEndOfFile(session.File)) return false;
    return true;
}

bool MakeTransferSocket(const TransferCommandLine& line, TransferSession& session) {
    const int family = line.Ipv6 ? AF_INET6 : AF_INET;
    session.Socket = socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (session.Socket == INVALID_SOCKET) return false;
    if (line.Listen) {
        session.Listening = true;
        session.Port = line.Port;
        std::memset(&session.Address, 0, sizeof(session.Address));
        if (line.Ipv6) {
            auto* address = reinterpret_cast<sockaddr_in6*>(&session.Address);
            address->sin6_family = AF_INET6;
            address->sin6_port = htons(static_cast<u_short>(line.Port));
            session.AddressLength = sizeof(sockaddr_in6);
        } else {
            auto* address = reinterpret_cast<sockaddr_in*>(&session.Address);
            address->sin_family = AF_INET;
            address->sin_port = htons(static_cast<u_short>(line.Port));
            session.AddressLength = sizeof(sockaddr_in);
        }
        if (bind(session.Socket, reinterpret_cast<sockaddr*>(&session.Address), session.AddressLength) != 0 ||
            listen(session.Socket, 3) != 0) {
            closesocket(session.Socket);
            session.Socket = INVALID_SOCKET;
            return false;
        }
        return true;
    }
    std::string host;
    for (wchar_t c : line.Host) host += c < 128 ? static_cast<char>(c) : '?';
    session.AddressLength = static_cast<int>(
        ResolveHost(host.c_str(), line.Port, 0, &session.Address, sizeof(session.Address), family));
    return true;
}

bool StartTransferThread(std::unique_ptr<TransferSession> session) {
    const uintptr_t thread = _beginthreadex(nullptr, 0, TransferThread, session.get(), 0, nullptr);
    if (!thread) return false;
    session.release();
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

void SendLoop(TransferSession& session) {
    const bool success = SendFile(session);
    CloseSession(session);
    Finish(session, success);
}

void ReceiveLoop(TransferSession& session) {
    std::vector<char> buffer(kReceiveBlock);
    if (!session.NoAcknowledgements && session.FileSize == 0 && session.BytesDone == 0 &&
        !AnswerEmptyOffer(session)) {
        CloseSession(session);
        Finish(session, false);
        return;
    }
    for (;;) {
        ReportAndWaitWhilePaused(session);
        const int got = recv(session.Socket, buffer.data(), kReceiveBlock, 0);
        if (got == 0 || got == SOCKET_ERROR) {
            const bool complete = session.FileSize == 0 || session.BytesDone == session.FileSize;
            CloseSession(session);
            Finish(session, complete);
            return;
        }
        // Never past the offered size: a sender that sends more is cut off.
        DWORD take = static_cast<DWORD>(got);
        const bool tooMuch = session.FileSize != 0 && session.FileSize - session.BytesDone < take;
        if (tooMuch) take = static_cast<DWORD>(session.FileSize - session.BytesDone);
        DWORD written = 0;
        if (take && (!WriteFile(session.File, buffer.data(), take, &written, nullptr) || written != take))
            break;
        session.BytesDone += take;
        if (tooMuch) break;
        if (!session.NoAcknowledgements && !SendAcknowledgement(session)) break;
        // The whole offered file is here. The sender should close now; one that sends more is cut
        // off, and one that waits for the receiver to close (as some do when they cannot read the
        // acknowledgements of a large file) is not waited for long.
        if (session.FileSize != 0 && session.BytesDone == session.FileSize) {
            const bool more = PeerSendsMore(session.Socket);
            CloseSession(session);
            Finish(session, !more);
            return;
        }
    }
    CloseSession(session);
    Finish(session, false);
}
