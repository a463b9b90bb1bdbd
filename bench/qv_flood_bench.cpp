// A flood of 100,000 typical PRIVMSG lines from a loopback server into a channel of a real qv
// (receive loop, handlers, printer, Rich Edit view), timed to the last line shown, beside the same
// flood through the receive loop and the handlers into recorders in this process, in the same run.
// The server sends the lines, a PING and a marker line; "shown" is when the marker is in the view.
// The same flood goes into a qv started with "-8", whose custom-drawn view keeps every line; there
// the marker is a line on a red ground, and "shown" is when the screen shows red in the view.
// Targets: at least 10,000 lines/s shown (45,000 with the custom view); qv's memory after the flood
// within 150 MB of before it (at most 2 KB a kept line with the custom view).
#include "bench/bench_measures.h"
#include "core/window_list.h"
#include "irc/receive_loop.h"
#include "irc/server_session.h"
#include "irc_lines/server_line_handlers.h"
#include "shell/client_services_install.h"
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
#include <string>
#include <thread>
#include <vector>

namespace {

int kLines = 100000; // or the first argument
constexpr double kTargetLinesPerSecond = 10000;
constexpr double kTargetCustomLinesPerSecond = 45000;
constexpr double kTargetCustomBytesPerLine = 2048;
constexpr double kTargetMemoryGrowthMb = 150;
constexpr DWORD kWait = 30000;
constexpr DWORD kFloodWait = 300000;
const char kMarker[] = "the flood is over";

using Clock = BenchClock;

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
    double Received = 0, Shown = 0, MemoryBefore = 0, MemoryAfter = 0;
    bool Ok = false;
};

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
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(folder.UserDataFolder().c_str(), nullptr);
    // The custom view takes its colours from the settings (black on black when they are missing).
    WriteFileBytes(
        folder.UserDataFolder() + L"\\qv.xml",
        std::string("<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"bencher\" /><Misc "
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
    Sleep(2000);
    run.MemoryBefore = PrivateMb(qv.Handle());
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
    Sleep(2000);
    run.MemoryAfter = PrivateMb(qv.Handle());
    if (HWND f = qv.FindTopWindow(L"BRINDLEX2000_Main")) PostMessageW(f, WM_CLOSE, 0, 0);
    DWORD code = 0;
    qv.WaitExit(10000, code);
    run.Ok = true;
    return run;
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
    PrepareConnectionTests();
    const std::string stream = Flood(kMarker);
    size_t printed = 0;
    const double recorders = FloodRecorders(stream, printed);
    const QvRun qv = FloodQv(stream, false);
    // A second argument "rich" floods only the Rich Edit view.
    const bool richOnly = argc > 2 && std::string(argv[2]) == "rich";
    const QvRun custom = richOnly ? QvRun{} : FloodQv(Flood(kCustomMarker), true);
    std::printf("%d PRIVMSG lines, a PING and a marker line from a loopback server\n", kLines);
    std::printf("receive loop + handlers into recorders  %7.2f s  %9.0f lines/s  (%zu lines printed)\n",
                recorders, kLines / recorders, printed);
    if (!qv.Ok) return 1;
    const double rate = kLines / qv.Shown;
    std::printf("qv, PING answered                        %7.2f s  %9.0f lines/s\n", qv.Received,
                kLines / qv.Received);
    std::printf("qv, last line shown                      %7.2f s  %9.0f lines/s  target %.0f: %s\n",
                qv.Shown, rate, kTargetLinesPerSecond, rate >= kTargetLinesPerSecond ? "met" : "MISSED");
    const double growth = qv.MemoryAfter - qv.MemoryBefore;
    std::printf("qv private memory before %.1f MB, after %.1f MB: %+.1f MB, target within %.0f MB: %s\n",
                qv.MemoryBefore, qv.MemoryAfter, growth, kTargetMemoryGrowthMb,
                growth <= kTargetMemoryGrowthMb ? "met" : "MISSED");
    if (richOnly) return 0;
    if (!custom.Ok) return 1;
    const double customRate = kLines / custom.Shown;
    std::printf("qv -8, PING answered                     %7.2f s  %9.0f lines/s\n", custom.Received,
                kLines / custom.Received);
    const double perLine = (custom.MemoryAfter - custom.MemoryBefore) * 1048576.0 / kLines;
    std::printf("qv -8, last line shown                   %7.2f s  %9.0f lines/s  target %.0f: %s\n",
                custom.Shown, customRate, kTargetCustomLinesPerSecond,
                customRate >= kTargetCustomLinesPerSecond ? "met" : "MISSED");
    std::printf("qv -8 private memory before %.1f MB, after %.1f MB: %.0f bytes a kept line, target at most "
                "%.0f: %s\n",
                custom.MemoryBefore, custom.MemoryAfter, perLine, kTargetCustomBytesPerLine,
                perLine <= kTargetCustomBytesPerLine ? "met" : "MISSED");
    return 0;
}
