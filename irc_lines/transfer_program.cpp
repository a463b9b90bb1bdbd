#include "irc_lines/transfer_program.h"

#include "common/data_folders.h"
#include "common/xstring.h"

#include <windows.h>

namespace {

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
    const std::wstring program = ProgramFolder + L"\\qx.exe";
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        ProgramFolder.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
