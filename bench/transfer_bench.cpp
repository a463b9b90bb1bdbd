// A file moved over loopback from qx's engine to qx's engine, acknowledged ("dcc") and not
// ("tdcc"), in MB/s. The size in MB is the first argument (1000 by default).
#include "tests/support/test_files.h"
#include "tests/transfer/transfer_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    const uint64_t megabytes = argc > 1 ? std::wcstoull(argv[1], nullptr, 10) : 1000;
    const uint64_t size = megabytes * 1000000;
    TestFolder folder(L"transfer_bench");
    const std::wstring source = folder.File(L"source.bin"), target = folder.File(L"target.bin");
    {
        const std::string block = RandomBytes(1 << 20, 1);
        HANDLE file = CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        for (uint64_t written = 0; written < size;) {
            const DWORD part = static_cast<DWORD>(std::min<uint64_t>(block.size(), size - written));
            DWORD done = 0;
            WriteFile(file, block.data(), part, &done, nullptr);
            written += done;
        }
        CloseHandle(file);
    }
    for (const wchar_t* protocol : {L"dcc", L"tdcc"}) {
        const uint16_t port = FreeTransferPort();
        const ULONGLONG start = GetTickCount64();
        EngineRun sender, receiver;
        sender.Start(L"in " + std::to_wstring(port) + L" ipv4 manual " + protocol + L" send 0 0 \"" + source +
                     L"\"");
        receiver.Start(L"out 127.0.0.1 " + std::to_wstring(port) + L" ipv4 " + protocol + L" get 0 " +
                       std::to_wstring(size) + L" \"" + target + L"\"");
        const bool ok = receiver.Succeeded(3600000) && sender.Succeeded(60000);
        const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
        std::printf("qx to qx, %ls, %llu MB: %s, %.1f s, %.1f MB/s\n", protocol,
                    static_cast<unsigned long long>(megabytes), ok ? "completed" : "FAILED", seconds,
                    static_cast<double>(size) / 1e6 / seconds);
        std::fflush(stdout);
    }
    return 0;
}
