// A flood of 100,000 typical PRIVMSG lines from a loopback server into a channel of a real qv
// (receive loop, handlers, printer, Rich Edit view), timed to the last line shown, beside the same
// flood through the receive loop and the handlers into recorders in this process, in the same run.
// The server sends the lines, a PING and a marker line; "shown" is when the marker is in the view.
// The same flood goes into a qv started with "-8", whose custom-drawn view keeps every line; there
// the marker is a line on a red ground, and "shown" is when the screen shows red in the view.
// Memory is read at rest (the channel open, before the flood) and after the flood, beside a bare
// frame with one empty Rich Edit view started in the same run; at rest means once the figure has
// held for two seconds (the threads of connecting end a moment after the channel opens).
// Targets: the last line shown within 3.5 s (1.5 s with the custom view); qv -8 at rest within
// 1.5 times the Rich Edit mode's figure; at most 10 MB more after the flood than before it with the
// custom view. The Rich Edit view's growth is the price of the lines it keeps and has no target.
#include "bench/bench_measures.h"
#include "common/xstring.h"
#include "core/window_list.h"
#include "irc/receive_loop.h"
#include "irc/server_session.h"
#include "irc_lines/server_line_handlers.h"
#include "shell/startup/client_services_install.h"
#include "views/view_bound.h"
#include "tests/qv/qv_process.h"
#include "tests/recorders/call_log.h"
#include "tests/recorders/recorders.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/screenshots.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

#include <psapi.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

int kLines = 100000; // or the first argument
constexpr double kTargetShownSeconds = 3.5;
constexpr double kTargetCustomShownSeconds = 1.5;
constexpr double kTargetCustomAtRest = 1.5; // times the Rich Edit mode's figure
constexpr double kTargetMemoryGrowthMb = 10;
constexpr DWORD kWait = 30000;
constexpr DWORD kFloodWait = 300000;
const char kMarker[] = "the flood is over";

using Clock = BenchClock;

// The process's memory once it has stayed within a tenth of a megabyte for two seconds (ten
// seconds at most).
MemoryFigures MemoryAtRest(HANDLE process) {
    MemoryFigures held = MemoryOf(process);
    ULONGLONG since = GetTickCount64();
    const ULONGLONG end = since + 10000;
    while (GetTickCount64() - since < 2000 && GetTickCount64() < end) {
        Sleep(250);
        const MemoryFigures now = MemoryOf(process);
        if (now.PrivateMb > held.PrivateMb + 0.1 || now.PrivateMb < held.PrivateMb - 0.1) {
            held = now;
            since = GetTickCount64();
        }
    }
    return MemoryOf(process);
}

// The custom view's marker: white text on a red ground.
const char kCustomMarker[] = "\x03"
                             "00,04the flood is over";

std::string Flood(const char* marker) {
    std::string stream;
    stream.reserve(static_cast<size_t>(kLines) * 90);
    for (int i = 0; i < kLines; ++i)
        stream += ":nick" + std::to_string(i % 97) +
                  "!user@host.example.org PRIVMSG #flood :message number " + std::to_string(i) +
                  " with a little ordinary text\r\n";
    stream += "PING :flood-end\r\n";
    stream += std::string(":nick1!user@host.example.org PRIVMSG #flood :") + marker + "\r\n";
    return stream;
}

void Register(ScriptedServer& server, const std::string& nick) {
    server.SkipToLineStarting("USER", kWait);
    server.Send(":irc.flood 001 " + nick + " :Welcome\r\n:irc.flood 376 " + nick + " :End of MOTD\r\n");
}

void JoinFlood(ScriptedServer& server, const std::string& nick) {
    server.Send(":" + nick + "!u@h JOIN #flood\r\n:irc.flood 353 " + nick + " = #flood :" + nick +
                " nick1\r\n:irc.flood 366 " + nick + " #flood :End of NAMES list\r\n");
}

struct QvRun {
    double Received = 0, Shown = 0;
    MemoryFigures Before, After;
    std::string HeapsBefore, HeapsAfter;
    bool Ok = false;
};

// A diagnostic run ("heaps" among the arguments) loads a plug-in into qv that counts its heaps.
bool CountHeaps = false;
constexpr UINT kCountHeapsMessage = WM_APP + 0x5D;

// What qv's heaps hold: heaps, busy bytes, busy blocks, free bytes, committed, uncommitted.
std::string HeapCounts(const std::wstring& folder, HWND frame) {
    if (!CountHeaps) return "";
    const std::wstring path = folder + L"\\heaps.txt";
    DeleteFileW(path.c_str());
    PostMessageW(frame, kCountHeapsMessage, 0, 0);
    std::string text;
    Eventually([&] { return !(text = ReadFileBytes(path)).empty() && text.back() == '\n'; }, kWait);
    unsigned long long heaps = 0, busy = 0, blocks = 0, free = 0, committed = 0, uncommitted = 0;
    if (std::sscanf(text.c_str(), "%llu %llu %llu %llu %llu %llu", &heaps, &busy, &blocks, &free, &committed,
                    &uncommitted) != 6)
        return "no heap counts";
    char line[200];
    std::snprintf(line, sizeof line,
                  "%llu heaps: busy %.1f MB in %llu blocks, free %.1f MB, committed %.1f MB", heaps,
                  busy / 1048576.0, blocks, free / 1048576.0, committed / 1048576.0);
    return line + text.substr(text.find('\n'));
}

// Whether the screen shows the custom view's red marker ground in the view.
bool RedShown(HWND view) {
    RECT area{};
    GetWindowRect(view, &area);
    HBITMAP copy = CopyScreenArea(area);
    if (!copy) return false;
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, copy, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(copy);
    size_t red = 0;
    for (uint32_t pixel : pixels)
        red += (pixel >> 16 & 0xFF) > 0xC0 && (pixel >> 8 & 0xFF) < 0x40 && (pixel & 0xFF) < 0x40 ? 1 : 0;
    return red > 100;
}

QvRun FloodQv(const std::string& stream, bool custom) {
    QvRun run;
    std::vector<std::wstring> files{L"qv.exe", L"qvlang.dll", L"qvres.dll"};
    if (CountHeaps) files.push_back(L"heap_count_plugin.dll");
    PortableFolder folder(files);
    const std::string plugin = CountHeaps ? WideToNarrow(folder.Path()) + "\\heap_count_plugin.dll" : "";
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(folder.UserDataFolder().c_str(), nullptr);
    // The custom view takes its colours from the settings (black on black when they are missing).
    WriteFileBytes(
        folder.UserDataFolder() + L"\\qv.xml",
        std::string(
            "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"bencher\" Installed_Plugins=\"" +
            plugin +
            "\" /><Misc "
            "ShowStartPanel=\"0\" /><Appearance Message_Format=\"&lt;\\x02$nick\\x02&gt; "
            "$message\" />") +
            (custom ? "<Colors FG_Color=\"0\" BG_Color=\"16777215\" />" : "") + "</Cfg><Servers /></qv>");
    ScriptedServer server;
    QvProcess qv(folder.Path(), std::wstring(custom ? L"-8 " : L"") + L"-port1 -e \"/server 127.0.0.1:" +
                                    std::to_wstring(server.Port()) + L"/#flood\"");
    if (!qv.Started() || !server.Accept(kWait)) {
        std::printf("qv did not connect\n");
        return run;
    }
    Register(server, "bencher");
    if (!server.SkipToLineStarting("JOIN", kWait)) {
        std::printf("qv did not join\n");
        return run;
    }
    JoinFlood(server, "bencher");
    HWND frame = nullptr, channel = nullptr;
    Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait);
    if (!Eventually([&] { return frame && (channel = FindChatWindow(frame, L"#flood")) != nullptr; },
                    kWait)) {
        std::printf("qv did not open #flood\n");
        return run;
    }
    HWND view = GetDlgItem(channel, 901);
    run.Before = MemoryAtRest(qv.Handle());
    run.HeapsBefore = HeapCounts(folder.Path(), frame);
    if (custom && RedShown(view)) {
        std::printf("the custom view shows red before the marker\n");
        return run;
    }

    const auto start = Clock::now();
    server.Send(stream);
    if (!server.SkipToLineStarting("PONG", kFloodWait)) {
        std::printf("qv did not answer the PING\n");
        return run;
    }
    run.Received = SecondsSince(start);
    const std::wstring marker(kMarker, kMarker + sizeof kMarker - 1);
    const ULONGLONG end = GetTickCount64() + kFloodWait;
    if (custom) SetForegroundWindow(frame);
    while (custom ? !RedShown(view) : WindowText(view).find(marker) == std::wstring::npos) {
        if (custom && GetTickCount64() > end) {
            std::printf("the custom view did not show the last line\n");
            return run;
        }
        if (GetTickCount64() > end) {
            const std::wstring text = WindowText(view);
            std::printf("the last line was not shown; the view ends in: %ls\n",
                        text.substr(text.size() > 300 ? text.size() - 300 : 0).c_str());
            return run;
        }
        Sleep(10);
    }
    run.Shown = SecondsSince(start);
    if (custom) SaveScreenshot(frame, ScreenshotFolder() + L"\\qv_custom_view_flood.png");
    run.After = MemoryAtRest(qv.Handle());
    run.HeapsAfter = HeapCounts(folder.Path(), frame);
    if (CountHeaps && !custom) {
        // What the view's own text holds: counted again with the view emptied.
        SendMessageW(view, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        run.HeapsAfter += "with the view emptied: " + HeapCounts(folder.Path(), frame);
    }
    if (HWND f = qv.FindTopWindow(L"BRINDLEX2000_Main")) PostMessageW(f, WM_CLOSE, 0, 0);
    DWORD code = 0;
    qv.WaitExit(10000, code);
    run.Ok = true;
    return run;
}

// The yardstick: a bare frame with one empty Rich Edit view, read after the same rest as qv.
bool BareViewMemory(MemoryFigures& memory) {
    std::wstring line = L"\"" + BuildBinFolder() + L"\\empty_window.exe\" 1 rich";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, BuildBinFolder().c_str(),
                        &startup, &process))
        return false;
    HWND frame = nullptr;
    if (Eventually(
            [&] {
                return (frame = FindProcessTopWindow(process.dwProcessId, L"BrindlexEmptyWindow")) != nullptr;
            },
            kWait)) {
        memory = MemoryAtRest(process.hProcess);
        PostMessageW(frame, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return frame != nullptr;
}

void PrintMemory(const char* name, const MemoryFigures& memory) {
    std::printf("  %-34s %8.1f MB  %8.1f MB\n", name, memory.PrivateMb, memory.WorkingSetMb);
}

// The same flood through a server window's receive loop, the handlers and the dispatch, with
// recorders in the printer's place.
double FloodRecorders(const std::string& stream, size_t& printed) {
    XmlDocument settings;
    XmlDocumentOpenText(&settings,
                        "<?xml version=\"1.0\" ?><root><Cfg><Options1 /><Options2 /></Cfg></root>");
    UserConfigDocument = &settings;
    RegisterServerLineHandlers();
    InstallClientServices();
    for (void (*install)() : {InstallPrinterRecorder, InstallPluginRecorders, InstallEventScriptRecorder,
                              InstallScriptRunRecorder, InstallInputRecorders, InstallPromptRecorder,
                              InstallDisconnectRecorder, InstallActiveWindowRecorder,
                              InstallEventFormatRecorder, InstallMenuLabelRecorder, InstallDccOfferRecorders})
        install();
    ScriptedServer server;
    double took = 0;
    {
        ServerWindow window;
        window.Connection().OwnNick = "bencher";
        auto* channel = new WindowRecord(nullptr, kChannelWindow, window.Record());
        channel->Name = "#flood";
        InsertWindowRecord(channel);
        SOCKET socket = ConnectLoopback(server.Port());
        server.Accept(kWait);
        window.UseSocket(socket, server.Port());
        CallLog::Instance().Clear();
        std::thread sender([&] {
            server.Send(stream);
            server.SkipToLineStarting("PONG", kFloodWait);
            server.CloseClient();
        });
        const auto start = Clock::now();
        ServerReceiveLoop(window.Record());
        took = SecondsSince(start);
        sender.join();
        printed = CountCalls("PrintToWindow");
        CallLog::Instance().Clear();
        EraseWindowRecord(channel);
        delete channel;
    }
    UserConfigDocument = nullptr;
    return took;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) kLines = std::atoi(argv[1]);
    // Words after the count: "rich" floods only the Rich Edit view, "heaps" counts qv's heaps.
    bool richOnly = false;
    for (int i = 2; i < argc; ++i) {
        richOnly = richOnly || std::string(argv[i]) == "rich";
        CountHeaps = CountHeaps || std::string(argv[i]) == "heaps";
    }
    PrepareConnectionTests();
    const std::string stream = Flood(kMarker);
    size_t printed = 0;
    const double recorders = FloodRecorders(stream, printed);
    MemoryFigures bare;
    const bool bareOk = BareViewMemory(bare);
    const QvRun qv = FloodQv(stream, false);
    const QvRun custom = richOnly ? QvRun{} : FloodQv(Flood(kCustomMarker), true);
    std::printf("%d PRIVMSG lines, a PING and a marker line from a loopback server\n", kLines);
    std::printf("receive loop + handlers into recorders  %7.2f s  %9.0f lines/s  (%zu lines printed)\n",
                recorders, kLines / recorders, printed);
    if (!qv.Ok) return 1;
    std::printf("qv, PING answered                        %7.2f s  %9.0f lines/s\n", qv.Received,
                kLines / qv.Received);
    std::printf("qv, last line shown                      %7.2f s  %9.0f lines/s  target %.1f s: %s\n",
                qv.Shown, kLines / qv.Shown, kTargetShownSeconds,
                qv.Shown <= kTargetShownSeconds ? "met" : "MISSED");
    if (!richOnly && custom.Ok) {
        std::printf("qv -8, PING answered                     %7.2f s  %9.0f lines/s\n", custom.Received,
                    kLines / custom.Received);
        std::printf("qv -8, last line shown                   %7.2f s  %9.0f lines/s  target %.1f s: %s\n",
                    custom.Shown, kLines / custom.Shown, kTargetCustomShownSeconds,
                    custom.Shown <= kTargetCustomShownSeconds ? "met" : "MISSED");
    }
    std::printf("memory (private = page-file usage, under Wine the resident anonymous memory)\n");
    std::printf("  %-34s %11s  %11s\n", "", "private", "working set");
    if (bareOk) PrintMemory("bare frame, one empty Rich Edit view", bare);
    PrintMemory("qv at rest", qv.Before);
    PrintMemory("qv after the flood", qv.After);
    if (!richOnly && custom.Ok) {
        PrintMemory("qv -8 at rest", custom.Before);
        PrintMemory("qv -8 after the flood", custom.After);
    }
    for (const auto& [name, counts] : {std::pair{"qv at rest", &qv.HeapsBefore},
                                       {"qv after", &qv.HeapsAfter},
                                       {"qv -8 at rest", &custom.HeapsBefore},
                                       {"qv -8 after", &custom.HeapsAfter}})
        if (!counts->empty()) std::printf("%s, %s\n", name, counts->c_str());
    const double growth = qv.After.PrivateMb - qv.Before.PrivateMb;
    std::printf("qv growth over the flood %+.1f MB (the view keeps its last %u lines)\n", growth,
                kViewLineLimit);
    if (richOnly) return 0;
    if (!custom.Ok) return 1;
    const double customGrowth = custom.After.PrivateMb - custom.Before.PrivateMb;
    std::printf("qv -8 growth over the flood %+.1f MB, target at most %.0f MB: %s\n", customGrowth,
                kTargetMemoryGrowthMb, customGrowth <= kTargetMemoryGrowthMb ? "met" : "MISSED");
    const double ratio = custom.Before.PrivateMb / qv.Before.PrivateMb;
    std::printf("qv -8 at rest %.2f times qv, target at most %.1f: %s\n", ratio, kTargetCustomAtRest,
                ratio <= kTargetCustomAtRest ? "met" : "MISSED");
    return 0;
}
