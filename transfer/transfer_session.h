// One DCC file transfer: the file, the socket and the counters of one peer, moved by one worker
// thread. Each worker owns its session; what the window and the workers share sits in
// TransferShared.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

struct TransferCommandLine;

enum TransferState : int {
    kWaitingForPeer = 0,
    kTransferring = 1,
    kTransferFailed = 2,
    kTransferCompleted = 3
};

// A send that moves nothing for this long ends as failed: a receiver that takes no bytes and
// confirms none (or only stale or stray counts) would otherwise keep qx sending for ever.
constexpr uint32_t kTransferStallLimitMs = 120000;
// The environment variable through which tests shorten that limit for the qx they start:
// milliseconds, taken only when below the limit.
constexpr wchar_t kTransferStallVariable[] = L"BRINDLEX_QX_STALL_MS";

// Why a transfer failed, where the window can say more than that it did.
enum class TransferFailure : int {
    kUnexplained,
    kReceiverStalled,  // the receiver took and confirmed nothing for the stall limit
    kAckBeyondTheSize, // the receiver confirmed more bytes than the file holds
};

// What the engine tells the window. Called on the worker thread.
class TransferReporter {
public:
    virtual ~TransferReporter() = default;
    // Before every block.
    virtual void UpdateProgress(uint64_t bytesDone, uint64_t size) = 0;
    // Once at the end of a transfer.
    virtual void FinishTransfer(bool success) = 0;
    // Once the peer is connected: its address as text.
    virtual void PeerConnected(const std::string& /*address*/) {}
};

// Shared by the window and every worker of the process.
struct TransferShared {
    std::atomic<bool> Paused{false};
    std::atomic<int> State{kWaitingForPeer};
    std::atomic<TransferFailure> Failure{TransferFailure::kUnexplained};
    std::atomic<uint32_t> StallLimitMs{kTransferStallLimitMs};
    TransferReporter* Reporter = nullptr;
};

struct TransferSession {
    SOCKET Socket = INVALID_SOCKET;
    bool Listening = false; // Socket is the listening socket until a peer is accepted
    sockaddr_storage Address{};
    int AddressLength = 0;
    sockaddr_storage PeerAddress{};
    int PeerAddressLength = sizeof(sockaddr_storage);
    uint32_t Port = 0;
    HANDLE File = INVALID_HANDLE_VALUE;
    std::wstring Path;
    bool Receiving = false;
    bool NoAcknowledgements = true;
    bool MultiSend = false;
    uint64_t StartOffset = 0;
    uint64_t FileSize = 0; // sending: the file's size; receiving: the expected size (0 = none)
    uint64_t BytesDone = 0;
    bool Ack64 = false; // the size does not fit in 32 bits
    // Sending with 64-bit acknowledgements: 8 once the peer answered in 8 bytes, 4 once it
    // answered with the low 32 bits in network order (as most clients do), 0 before.
    int PeerAckWidth = 0;
    // Sending with acknowledgements: the furthest position the peer confirmed, and the bytes of
    // an answer read only in part.
    uint64_t Acknowledged = 0;
    uint8_t AckBytes[512] = {};
    size_t AckHeld = 0;
    // Sending: when the peer last took a block or confirmed more; the stall limit counts from it.
    ULONGLONG LastProgressTick = 0;
    TransferFailure Failure = TransferFailure::kUnexplained;
    TransferShared* Shared = nullptr;

    TransferSession() = default;
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;
    ~TransferSession();
};

// Opens the file the command line names and sets the counters. Refuses a resume or start offset
// beyond the file's end (or beyond the expected size). False when the file cannot be used.
bool OpenTransferFile(const TransferCommandLine& line, TransferSession& session);
// Listen forms: a socket bound to the any-address and the port, listening. Connect forms: a
// socket of the family and the peer's resolved address (length 0 when it did not resolve, so the
// connect fails). False when the socket cannot be made or bound.
bool MakeTransferSocket(const TransferCommandLine& line, TransferSession& session);
// Starts the worker that connects or accepts and moves the data; it owns the session from then.
bool StartTransferThread(std::unique_ptr<TransferSession> session);

// The engine's loops, on the calling thread (the worker runs them).
void SendLoop(TransferSession& session);
void ReceiveLoop(TransferSession& session);
