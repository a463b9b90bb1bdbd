#include "tests/irc_tls/linux_peer.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace {

std::atomic<uint32_t> Counter{0};

// The folders this run made for its peers, removed when the test program ends (the fixtures have
// stopped every peer by then).
struct MadeFolders {
    std::mutex Lock;
    std::vector<std::wstring> Folders;
    ~MadeFolders() {
        for (const std::wstring& folder : Folders) RemoveTree(folder.substr(0, folder.size() - 1));
    }
};

MadeFolders& Made() {
    static MadeFolders made;
    return made;
}

bool StartShell(const std::string& command) {
    std::wstring line = L"Z:\\bin\\sh -c ";
    std::wstring wide(command.begin(), command.end());
    // The shell gets one argument, quoted by the Windows rules: backslashes are literal except
    // before a double quote (and before the closing quote), where they are doubled.
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : wide) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L"\"";
    line += quoted;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
    return true;
}

} // namespace

std::wstring MakeTestFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    // Process ids come round again under Wine: only a folder made just now is ours.
    for (;;) {
        std::wstring folder = std::wstring(temp) + L"brindlex_tls_" + std::to_wstring(GetCurrentProcessId()) +
                              L"_" + name + L"_" + std::to_wstring(Counter++) + L"\\";
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            std::lock_guard<std::mutex> lock(Made().Lock);
            Made().Folders.push_back(folder);
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return folder;
    }
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

int RunShell(const std::string& command, uint32_t timeoutMs) {
    const std::wstring folder = MakeTestFolder(L"run");
    const std::wstring done = folder + L"done";
    const std::string doneUnix = UnixPath(folder) + "/done";
    const std::string doneTemp = doneUnix + ".tmp";
    if (!StartShell("(" + command + "); echo $? > " + ShellQuote(doneTemp) + "; mv " + ShellQuote(doneTemp) +
                    " " + ShellQuote(doneUnix)))
        return -1;
    for (uint32_t waited = 0; waited < timeoutMs; waited += 20) {
        if (FileExists(done)) return std::atoi(ReadFileBytes(done).c_str());
        Sleep(20);
    }
    return -1;
}

bool IsStrictlyWellFormedXml(const std::wstring& path) {
    return RunShell("/usr/bin/python3 -c 'import sys, xml.parsers.expat as x; "
                    "x.ParserCreate().ParseFile(open(sys.argv[1], \"rb\"))' " +
                    ShellQuote(UnixPath(path))) == 0;
}

bool WaitForLoopbackPort(uint16_t port, uint32_t timeoutMs) {
    for (uint32_t waited = 0; waited < timeoutMs; waited += 50) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool up = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        closesocket(s);
        if (up) return true;
        Sleep(50);
    }
    return false;
}

bool LinuxPeer::Start(const std::wstring& folder, const std::string& command, uint16_t port,
                      uint32_t lifetimeSeconds) {
    Stop();
    folder_ = folder;
    const std::string unixFolder = UnixPath(folder);
    const std::string pidFile = unixFolder + "/peer.pid";
    const std::string logFile = unixFolder + "/peer.log";
    DeleteFileW((folder + L"peer.pid").c_str());
    // exec keeps the process id: timeout runs the program and passes a TERM on to it.
    if (!StartShell("cd " + ShellQuote(unixFolder) + " && echo $$ > " + ShellQuote(pidFile) + ".tmp && mv " +
                    ShellQuote(pidFile) + ".tmp " + ShellQuote(pidFile) + " && exec timeout " +
                    std::to_string(lifetimeSeconds) + " " + command + " > " + ShellQuote(logFile) + " 2>&1"))
        return false;
    for (int i = 0; i < 200 && !FileExists(folder + L"peer.pid"); ++i) Sleep(10);
    pid_ = ReadFileBytes(folder + L"peer.pid");
    while (!pid_.empty() && (pid_.back() == '\n' || pid_.back() == '\r')) pid_.pop_back();
    if (pid_.empty()) return false;
    if (port == 0) {
        Sleep(1000);
        return true;
    }
    return WaitForLoopbackPort(port, 10000);
}

void LinuxPeer::Stop() {
    if (pid_.empty()) return;
    RunShell("kill " + pid_ + " 2>/dev/null; for i in $(seq 100); do kill -0 " + pid_ +
                 " 2>/dev/null || exit 0; sleep 0.05; done; kill -9 " + pid_ + " 2>/dev/null",
             10000);
    pid_.clear();
}

std::string LinuxPeer::Log() const {
    return folder_.empty() ? std::string() : ReadFileBytes(folder_ + L"peer.log");
}
