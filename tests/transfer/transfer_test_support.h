// Loopback peers and an in-process engine for the transfer tests.
#pragma once

#include "transfer/transfer_session.h"

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

uint16_t FreeTransferPort();
// A listening loopback socket on a free port.
SOCKET ListenOnLoopback(uint16_t& port);
SOCKET ConnectToLoopback(uint16_t port);
SOCKET AcceptOne(SOCKET listener);
// Everything the peer sends until it closes; with ackWidth 4 or 8, answers every read with the
// running count from start (4: low 32 bits in network order, 8: little-endian).
std::string ReceiveAsPeer(SOCKET socket, int ackWidth, uint64_t start);
// Reads acknowledgements of the width until the peer closes; returns them in order.
std::vector<uint64_t> ReadAcknowledgements(SOCKET socket, int width);
std::string RandomBytes(size_t count, unsigned start);
// A file of the size whose last bytes are the tail (the rest is a hole where the system allows).
bool WriteSparseFile(const std::wstring& path, uint64_t size, const std::string& tail);
// The bytes of the file from offset to its end.
std::string ReadFileTail(const std::wstring& path, uint64_t offset);
uint64_t FileSizeOf(const std::wstring& path);

// The engine run in this process for one command line (without the program name).
class EngineRun : public TransferReporter {
public:
    EngineRun();
    ~EngineRun() override;
    // Parses, opens the file and the socket and starts the worker; false when set-up failed.
    bool Start(const std::wstring& arguments);
    // Waits for the end of the transfer; true when it ended as completed.
    bool Succeeded(DWORD timeoutMs = 60000);
    bool Ended(DWORD timeoutMs);
    TransferShared Shared;

    void UpdateProgress(uint64_t bytesDone, uint64_t size) override { LastDone = bytesDone; }
    void FinishTransfer(bool success) override;
    std::atomic<uint64_t> LastDone{0};
    std::atomic<int> Finishes{0};

private:
    HANDLE finished_;
    std::atomic<bool> success_{false};
};
