// qv against an empty Win32 window program, in the same run: time from process start to the
// frame on the screen, and memory with 1 and with 20 channel windows open (the empty program with
// as many empty MDI children).
#include "tests/qv/qv_process.h"
#include "tests/support/ngircd_server.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kStarts = 5;
constexpr DWORD kWait = 30000;

struct Memory {
    double PrivateMb = 0;
    double WorkingSetMb = 0;
};

Memory MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return {counters.PrivateUsage / 1048576.0, counters.WorkingSetSize / 1048576.0};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A started program with its process handle; closed as a user closes it when done: under Wine a
// qv that was killed slows the next start down by seconds, before any of its code runs.
struct Started {
    PROCESS_INFORMATION Info{};
    HWND Frame = nullptr;
    bool Ok = false;
    ~Started() {
        if (!Ok) return;
        if (Frame) PostMessageW(Frame, WM_CLOSE, 0, 0);
        if (!Frame || WaitForSingleObject(Info.hProcess, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(Info.hProcess, 0);
            WaitForSingleObject(Info.hProcess, 5000);
        }
        CloseHandle(Info.hProcess);
        CloseHandle(Info.hThread);
    }
};

// The process's frame once it shows, looked for every millisecond so the time it is measured at
// is the time it showed; null once the time is up.
HWND WaitForWindow(DWORD process, const wchar_t* className, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND found = FindProcessTopWindow(process, className)) return found;
        if (GetTickCount64() >= end) return nullptr;
        Sleep(1);
    }
}

// Milliseconds from CreateProcess to the program's frame window being visible.
double TimeToFrame(const std::wstring& commandLine, const std::wstring& folder, const wchar_t* frameClass,
                   Started& started) {
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    started.Ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                &startup, &started.Info) != FALSE;
    if (!started.Ok || !(started.Frame = WaitForWindow(started.Info.dwProcessId, frameClass, kWait)))
        return -1;
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void PrepareSettings(const PortableFolder& folder) {
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(folder.UserDataFolder().c_str(), nullptr);
    // A user who has run qv before: no first-run wizard.
    WriteFileBytes(folder.UserDataFolder() + L"\\qv.xml",
                   "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"bencher\" /><Misc "
                   "ShowStartPanel=\"0\" "
                   "/></Cfg><Servers /></qv>");
}

int CountChannels(HWND frame) {
    int count = 0;
    for (int i = 1; i <= 20; ++i)
        if (FindChatWindow(frame, L"#c" + std::to_wstring(i))) ++count;
    return count;
}

} // namespace

int main() {
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    PrepareSettings(folder);
    const std::wstring empty = L"\"" + BuildBinFolder() + L"\\empty_window.exe\"";
    const std::wstring qv = L"\"" + folder.Path() + L"\\qv.exe\" -port1";

    std::vector<double> qvTimes, emptyTimes;
    for (int i = 0; i <= kStarts; ++i) {
        Started a, b;
        const double t1 = TimeToFrame(qv, folder.Path(), L"BRINDLEX2000_Main", a);
        const double t2 = TimeToFrame(empty, BuildBinFolder(), L"BrindlexEmptyWindow", b);
        if (i == 0) continue; // the first start warms the file cache
        qvTimes.push_back(t1);
        emptyTimes.push_back(t2);
    }
    std::printf("start to frame shown (median of %d): qv %.0f ms, empty window program %.0f ms\n", kStarts,
                Median(qvTimes), Median(emptyTimes));

    NgircdServer server;
    if (!server.WaitReady()) {
        std::printf("ngircd did not start\n");
        return 1;
    }
    const std::wstring connect =
        qv + L" -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"/#c1\"";
    Started q;
    if (TimeToFrame(connect, folder.Path(), L"BRINDLEX2000_Main", q) < 0) return 1;
    HWND frame = WaitForWindow(q.Info.dwProcessId, L"BRINDLEX2000_Main", kWait);
    if (!Eventually([&] { return CountChannels(frame) == 1; }, kWait)) {
        std::printf("qv did not open #c1\n");
        return 1;
    }
    Sleep(2000);
    const Memory one = MemoryOf(q.Info.hProcess);
    HWND serverWindow = FindChatWindow(frame, L"irc.test.local"); // named after the server
    std::wstring join = L"/join #c2";
    for (int i = 3; i <= 20; ++i) join += L",#c" + std::to_wstring(i);
    TypeLine(GetDlgItem(serverWindow, 902), join);
    if (!Eventually([&] { return CountChannels(frame) == 20; }, kWait)) {
        std::printf("qv opened %d of 20 channels\n", CountChannels(frame));
        return 1;
    }
    Sleep(2000);
    const Memory twenty = MemoryOf(q.Info.hProcess);

    Started e1, e20;
    TimeToFrame(empty + L" 1", BuildBinFolder(), L"BrindlexEmptyWindow", e1);
    TimeToFrame(empty + L" 20", BuildBinFolder(), L"BrindlexEmptyWindow", e20);
    Sleep(2000);
    const Memory emptyOne = MemoryOf(e1.Info.hProcess), emptyTwenty = MemoryOf(e20.Info.hProcess);
    std::printf("memory, private / working set: 1 channel: qv %.1f / %.1f MB, empty program (1 child) %.1f / "
                "%.1f MB\n",
                one.PrivateMb, one.WorkingSetMb, emptyOne.PrivateMb, emptyOne.WorkingSetMb);
    std::printf(
        "memory, private / working set: 20 channels: qv %.1f / %.1f MB, empty program (20 children) %.1f / "
        "%.1f MB\n",
        twenty.PrivateMb, twenty.WorkingSetMb, emptyTwenty.PrivateMb, emptyTwenty.WorkingSetMb);
    return 0;
}
