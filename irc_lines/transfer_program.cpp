#include "irc_lines/transfer_program.h"

#include "common/data_folders.h"
#include "common/xstring.h"
#include "core/interface_thread_call.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <windows.h>

#include <process.h>

#include <vector>

namespace {

struct ReadyWait {
    HANDLE Process = nullptr;
    uint16_t Port = 0;
    bool Ipv6 = false;
    std::function<void()> Then;
};

// Whether a socket of this computer listens on the TCP port, in the family given.
bool Listening(uint16_t port, bool ipv6) {
    const ULONG family = ipv6 ? AF_INET6 : AF_INET;
    std::vector<char> table;
    DWORD size = 0;
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    while (result == ERROR_INSUFFICIENT_BUFFER) {
        table.resize(size);
        result = GetExtendedTcpTable(table.empty() ? nullptr : table.data(), &size, FALSE, family,
                                     TCP_TABLE_OWNER_PID_LISTENER, 0);
    }
    if (result != NO_ERROR) return false;
    if (ipv6) {
        const auto* rows = reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID*>(table.data());
        for (DWORD i = 0; i < rows->dwNumEntries; ++i)
            if (ntohs(static_cast<u_short>(rows->table[i].dwLocalPort)) == port) return true;
    } else {
        const auto* rows = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(table.data());
        for (DWORD i = 0; i < rows->dwNumEntries; ++i)
            if (ntohs(static_cast<u_short>(rows->table[i].dwLocalPort)) == port) return true;
    }
    return false;
}

// qx binds its port before it makes its window, so the port normally listens once qx first waits
// for input; but a process that has not yet started its interface may be reported idle at once
// (as Wine does), so the port itself is watched until it listens, qx ends or the time is up.
unsigned __stdcall WaitUntilReady(void* parameter) {
    auto* wait = static_cast<ReadyWait*>(parameter);
    const ULONGLONG deadline = GetTickCount64() + kTransferProgramReadyMs;
    WaitForInputIdle(wait->Process, kTransferProgramReadyMs);
    while (wait->Port != 0 && !Listening(wait->Port, wait->Ipv6) && GetTickCount64() < deadline)
        if (WaitForSingleObject(wait->Process, 20) == WAIT_OBJECT_0) break;
    CloseHandle(wait->Process);
    try {
        RunOnInterfaceThread(wait->Then);
    } catch (...) {
    }
    delete wait;
    return 0;
}

// The process of qx from the program folder, or null when it cannot be started.
HANDLE StartProcess(const std::wstring& commandLine) {
    const std::wstring program = ProgramFolder + L"\\qx.exe";
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        ProgramFolder.c_str(), &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Only the two protocol words qx knows; anything else is the acknowledged one.
std::wstring ProtocolWord(const std::wstring& protocol) {
    return protocol == L"tdcc" ? L"tdcc" : L"dcc";
}

// The path between double quotes; a quote or line break inside could end the argument.
std::wstring QuotedPath(const std::wstring& path) {
    std::wstring clean;
    for (wchar_t c : path)
        if (c != L'"' && c >= 0x20) clean += c;
    return L"\"" + clean + L"\" ";
}

std::wstring Family(bool ipv6) {
    return ipv6 ? L"ipv6" : L"ipv4";
}

} // namespace

std::wstring TransferProgramPath(const std::wstring& programFolder) {
    return L"\"" + programFolder + L"\\qx.exe\"";
}

// The receive forms name the program "qx.EXE"; the program path is quoted so a folder with blanks
// does not shift the arguments qx reads.
std::wstring ReceiveOutCommandLine(const std::wstring& programFolder, const std::string& address,
                                   uint32_t port, bool ipv6, const std::wstring& protocol, uint64_t offset,
                                   uint64_t size, const std::wstring& path) {
    return L"\"" + programFolder + L"\\qx.EXE\" out " + NarrowToWide(address) + L" " + std::to_wstring(port) +
           L" " + Family(ipv6) + L" " + ProtocolWord(protocol) + L" get " + std::to_wstring(offset) + L" " +
           std::to_wstring(size) + L" " + QuotedPath(path);
}

std::wstring ReceiveInCommandLine(const std::wstring& programFolder, uint32_t port, bool ipv6,
                                  const std::wstring& protocol, uint64_t offset, uint64_t size,
                                  const std::wstring& path) {
    return L"\"" + programFolder + L"\\qx.EXE\" in " + std::to_wstring(port) + L" " + Family(ipv6) +
           L" manual " + ProtocolWord(protocol) + L" get " + std::to_wstring(offset) + L" " +
           std::to_wstring(size) + L" " + QuotedPath(path);
}

std::wstring SendOutCommandLine(const std::wstring& programFolder, const std::string& address, uint32_t port,
                                bool ipv6, const std::wstring& protocol, const std::wstring& path) {
    return TransferProgramPath(programFolder) + L" out " + NarrowToWide(address) + L" " +
           std::to_wstring(port) + L" " + Family(ipv6) + L" " + ProtocolWord(protocol) + L" send 0 0 " +
           QuotedPath(path);
}

std::wstring SendInCommandLine(const std::wstring& programFolder, uint32_t port, bool ipv6, bool upnp,
                               const std::wstring& protocol, const std::wstring& path) {
    return TransferProgramPath(programFolder) + L" in " + std::to_wstring(port) + L" " + Family(ipv6) + L" " +
           (upnp ? L"upnp" : L"manual") + L" " + ProtocolWord(protocol) + L" send 0 0 " + QuotedPath(path);
}

bool StartTransferProgram(const std::wstring& commandLine) {
    const HANDLE process = StartProcess(commandLine);
    if (process) CloseHandle(process);
    return process != nullptr;
}

void StartListeningTransferProgram(const std::wstring& commandLine, uint16_t port, bool ipv6,
                                   std::function<void()> then) {
    auto* wait = new ReadyWait{StartProcess(commandLine), port, ipv6, std::move(then)};
    if (wait->Process) {
        const uintptr_t thread = _beginthreadex(nullptr, 0, WaitUntilReady, wait, 0, nullptr);
        if (thread) {
            CloseHandle(reinterpret_cast<HANDLE>(thread));
            return;
        }
        CloseHandle(wait->Process);
    }
    std::function<void()> now = std::move(wait->Then);
    delete wait;
    now();
}
