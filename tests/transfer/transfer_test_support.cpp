#include "tests/transfer/transfer_test_support.h"

#include "transfer/transfer_command_line.h"

#include <winioctl.h>

#include <memory>
#include <random>
#include <vector>

uint16_t FreeTransferPort() {
    uint16_t port = 0;
    closesocket(ListenOnLoopback(port));
    return port;
}

SOCKET ListenOnLoopback(uint16_t& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, 3);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

SOCKET ConnectToLoopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    for (int attempt = 0; attempt < 100; ++attempt) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return s;
        closesocket(s);
        Sleep(100);
    }
    return INVALID_SOCKET;
}

SOCKET AcceptOne(SOCKET listener) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(listener, &set);
    timeval wait{30, 0};
    if (select(0, &set, nullptr, nullptr, &wait) != 1) return INVALID_SOCKET;
    return accept(listener, nullptr, nullptr);
}

std::string ReceiveAsPeer(SOCKET socket, int ackWidth, uint64_t start) {
    std::string data;
    std::vector<char> buffer(65536);
    for (;;) {
        const int got = recv(socket, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (got <= 0) break;
        data.append(buffer.data(), static_cast<size_t>(got));
        const uint64_t count = start + data.size();
        char ack[8];
        if (ackWidth == 8) {
            for (int i = 0; i < 8; ++i) ack[i] = static_cast<char>(count >> (8 * i));
        } else if (ackWidth == 4) {
            const auto low = htonl(static_cast<u_long>(count & 0xFFFFFFFFu));
            memcpy(ack, &low, 4);
        }
        if (ackWidth && send(socket, ack, ackWidth, 0) != ackWidth) break;
    }
    closesocket(socket);
    return data;
}

std::vector<uint64_t> ReadAcknowledgements(SOCKET socket, int width) {
    std::vector<uint64_t> acks;
    std::string pending;
    char buffer[4096];
    for (;;) {
        const int got = recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        while (pending.size() >= static_cast<size_t>(width)) {
            uint64_t value = 0;
            for (int i = 0; i < width; ++i) {
                const auto byte = static_cast<uint8_t>(pending[static_cast<size_t>(i)]);
                value = width == 8 ? value | (uint64_t{byte} << (8 * i)) : (value << 8) | byte;
            }
            acks.push_back(value);
            pending.erase(0, static_cast<size_t>(width));
        }
    }
    if (!pending.empty()) acks.push_back(UINT64_MAX); // a torn acknowledgement
    return acks;
}

std::string RandomBytes(size_t count, unsigned start) {
    std::mt19937 random(start);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

bool WriteSparseFile(const std::wstring& path, uint64_t size, const std::string& tail) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size - tail.size());
    DWORD written = 0;
    const bool ok =
        SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
        (tail.empty() || WriteFile(file, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr));
    position.QuadPart = static_cast<LONGLONG>(size);
    const bool sized = SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok && sized && written == tail.size();
}

std::string ReadFileTail(const std::wstring& path, uint64_t offset) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    std::string data;
    std::vector<char> buffer(1 << 20);
    DWORD read = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read)
        data.append(buffer.data(), read);
    CloseHandle(file);
    return data;
}

uint64_t FileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return UINT64_MAX;
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

EngineRun::EngineRun() : finished_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Shared.Reporter = this;
}

EngineRun::~EngineRun() {
    Ended(60000);
    CloseHandle(finished_);
}

bool EngineRun::Start(const std::wstring& arguments) {
    std::vector<std::wstring> args = SplitCommandLine((L"qx.exe " + arguments).c_str());
    args.erase(args.begin());
    TransferCommandLine line;
    if (ReadTransferCommandLine(args, line) != CommandLineStatus::Ready) return false;
    auto session = std::make_unique<TransferSession>();
    session->Shared = &Shared;
    if (!MakeTransferSocket(line, *session) || !OpenTransferFile(line, *session)) {
        SetEvent(finished_);
        return false;
    }
    return StartTransferThread(std::move(session));
}

void EngineRun::FinishTransfer(bool success) {
    success_ = success;
    ++Finishes;
    SetEvent(finished_);
}

bool EngineRun::Ended(DWORD timeoutMs) {
    return WaitForSingleObject(finished_, timeoutMs) == WAIT_OBJECT_0;
}

bool EngineRun::Succeeded(DWORD timeoutMs) {
    return Ended(timeoutMs) && success_;
}
