// One file moved over loopback in the same run: qx to qx (acknowledged "dcc" and not "tdcc"), qx
// to irssi, irssi to qx and, for reference, irssi to irssi (acknowledged, over a test ngircd),
// each qx a real qx.exe process as qv starts it, in MB/s. The size in MB is the first argument
// (1000 by default).
#include "tests/irc_tls/linux_peer.h"
#include "tests/support/test_files.h"
#include "tests/transfer/interop_peers.h"
#include "tests/transfer/transfer_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Report(const char* what, uint64_t size, bool ok, ULONGLONG startTick) {
    const double seconds = static_cast<double>(GetTickCount64() - startTick) / 1000.0;
    std::printf("%-22s %llu MB: %s, %.1f s, %.1f MB/s\n", what,
                static_cast<unsigned long long>(size / 1000000), ok ? "completed" : "FAILED", seconds,
                static_cast<double>(size) / 1e6 / seconds);
    std::fflush(stdout);
}

bool SameFile(const std::wstring& a, const std::wstring& b, uint64_t size) {
    if (FileSizeOf(a) != size || FileSizeOf(b) != size) return false;
    // The last megabyte stands for the whole; the tests compare whole files.
    const uint64_t from = size > (1u << 20) ? size - (1u << 20) : 0;
    return ReadFileTail(a, from) == ReadFileTail(b, from);
}

std::wstring Receive(const std::wstring& host, uint32_t port, const wchar_t* protocol, uint64_t size,
                     const std::wstring& target) {
    return L"out " + host + L" " + std::to_wstring(port) + L" ipv4 " + protocol + L" get 0 " +
           std::to_wstring(size) + L" \"" + target + L"\"";
}

} // namespace

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
    const DWORD limit = 1800000;

    for (const wchar_t* protocol : {L"dcc", L"tdcc"}) {
        const uint16_t port = FreeTransferPort();
        QxProcess sender(L"in " + std::to_wstring(port) + L" ipv4 manual " + protocol + L" send 0 0 \"" +
                         source + L"\"");
        sender.WaitForWindow(L"Transfer");
        const ULONGLONG start = GetTickCount64();
        QxProcess receiver(Receive(L"127.0.0.1", port, protocol, size, target));
        const bool ok =
            RunToEnd(receiver, limit) && RunToEnd(sender, 60000) && SameFile(source, target, size);
        Report(protocol == std::wstring(L"dcc") ? "qx to qx, dcc" : "qx to qx, tdcc", size, ok, start);
        DeleteFileW(target.c_str());
    }

    NgircdServer server;
    if (!server.WaitReady()) return 1;
    IrcClient client(server.Port(), "qxpeer");
    IrssiPeer irssi(server.Port(), folder.Path(), 3600);
    if (!client.WaitFor(" 001 ", 10000) || !irssi.Started() || !Online(client, "irssinick")) {
        std::printf("irssi did not come up\n");
        return 1;
    }
    {
        const uint16_t port = FreeTransferPort();
        QxProcess sender(L"in " + std::to_wstring(port) + L" ipv4 manual dcc send 0 0 \"" + source + L"\"");
        sender.WaitForWindow(L"Transfer");
        const ULONGLONG start = GetTickCount64();
        client.Send(Ctcp("irssinick", "DCC SEND source.bin 2130706433 " + std::to_string(port) + " " +
                                          std::to_string(size)));
        const bool ok = RunToEnd(sender, limit) && WaitForFileSize(irssi.Download(L"source.bin"), size) &&
                        SameFile(source, irssi.Download(L"source.bin"), size);
        Report("qx to irssi, dcc", size, ok, start);
        DeleteFileW(irssi.Download(L"source.bin").c_str());
    }
    {
        irssi.Type("/dcc send qxpeer " + UnixPath(source));
        Offer offer;
        bool ok = ReadOffer(client, offer, "source.bin");
        const ULONGLONG start = GetTickCount64();
        QxProcess receiver(Receive(L"127.0.0.1", offer.Port, L"dcc", size, target));
        ok = ok && RunToEnd(receiver, limit) && SameFile(source, target, size);
        Report("irssi to qx, dcc", size, ok, start);
        DeleteFileW(target.c_str());
    }
    // The reference: irssi to irssi.
    IrssiPeer other(server.Port(), folder.Path(), 3600, "irssitwo");
    if (other.Started() && Online(client, "irssitwo")) {
        other.Type("/dcc send irssinick " + UnixPath(source));
        const ULONGLONG start = GetTickCount64();
        const bool ok = WaitForFileSize(irssi.Download(L"source.bin"), size, limit) &&
                        SameFile(source, irssi.Download(L"source.bin"), size);
        Report("irssi to irssi, dcc", size, ok, start);
        DeleteFileW(irssi.Download(L"source.bin").c_str());
    }
    return 0;
}
