// Lines per second that the line printer puts into a custom-drawn chat view already holding
// 100,000 lines, beside a Rich Edit view in the same run, and the memory 1,000 kept lines take in
// each. Typical lines: time stamp, sender, text, every fourth with a colour. The custom view is
// drawn at most every 50 ms while lines arrive; the paints are counted and timed. Memory is the
// growth of the process's private bytes, counted from a view that was painted once (the drawing
// libraries loaded), over the lines the view keeps. Target: 45,000 lines/s and at most 2 KB a kept
// line.
#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "common/app_state.h"
#include "common/text_compare.h"
#include "core/startup_switches.h"
#include "core/window_list.h"
#include "irc/custom_view_lines.h"
#include "irc/server_connection.h"
#include "shell/controls/chat_view_window.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/call_log.h"
#include "tests/recorders/recorders.h"
#include "views/line_printer.h"
#include "views/print_dispatch.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

namespace {

constexpr double kTargetRate = 45000.0;
constexpr double kTargetBytesPerLine = 2048.0;

const char kConfig[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><root><Cfg>"
                       "<Options1 /><Options2 TimeStamp=\"1\" /><Options3 />"
                       "<Colors FG_Color=\"0\" BG_Color=\"16777215\" /></Cfg></root>";

double PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage);
}

std::wstring TypicalLine(int i) {
    std::wstring text = L"12:00:00 <nick" + std::to_wstring(i % 7) + L"> ";
    if (i % 4 == 0)
        text += L"\x03"
                L"4,1coloured\x03 ";
    return text + L"an ordinary line of chat as it comes from the server, number " + std::to_wstring(i);
}

int paints = 0;
double paintSeconds = 0;
WNDPROC viewProc = nullptr;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return CallWindowProcW(viewProc, window, message, wParam, lParam);
    ++paints;
    const auto start = std::chrono::steady_clock::now();
    const LRESULT result = CallWindowProcW(viewProc, window, message, wParam, lParam);
    paintSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

double PrintRate(WindowRecord* record, int count) {
    MSG message;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        PrintToWindow(kMessageLine, record, TypicalLine(i), {.ChatLine = true});
        if (i % 50 == 0) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            CallLog::Instance().Clear();
        }
    }
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    CallLog::Instance().Clear();
    return count / took.count();
}

} // namespace

int main() {
    NoteInterfaceThread();
    BuildFoldTable();
    InstallClientServices();
    for (void (*install)() : {InstallEventScriptRecorder, InstallPluginRecorders, InstallShakeRecorder})
        install();
    XmlDocument config;
    XmlDocument temp;
    XmlDocumentOpenText(&config, kConfig);
    XmlDocumentOpenText(&temp, "<?xml version=\"1.0\" ?><root />");
    UserConfigDocument = &config;
    TempDocument = &temp;
    PrepareLinePrinter();
    LoadLibraryW(L"riched20.dll");
    RegisterChatViewClass();

    HWND host = CreateWindowExW(0, L"STATIC", L"chat view bench", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                                nullptr, nullptr, nullptr, nullptr);
    HWND custom = CreateWindowExW(0, L"twin", L"", WS_CHILD | WS_VISIBLE, 0, 0, 800, 600, host, nullptr,
                                  nullptr, nullptr);
    viewProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(custom, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    MainWindow = host;
    ServerConnection connection;
    connection.OwnNick = "me";
    WindowRecord server(nullptr, kServerWindow, nullptr);
    server.Connection = &connection;
    WindowRecord channel(host, kChannelWindow, &server);
    channel.Name = "#bench";
    channel.View = channel.Input = custom;
    InsertWindowRecord(&server);
    InsertWindowRecord(&channel);

    UpdateWindow(custom);
    const double empty = PrivateBytes();
    for (int i = 0; i < 100000; ++i) AppendViewLine(&channel, TypicalLine(i), kMessageLine);
    UpdateWindow(custom);
    const double perLine = (PrivateBytes() - empty) / 100000.0;

    CustomViewMode = 1;
    const int kMeasured = 50000;
    paints = 0;
    paintSeconds = 0;
    const auto start = std::chrono::steady_clock::now();
    const double rate = PrintRate(&channel, kMeasured);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("custom view: %d lines printed into 100,000: %8.0f lines/s, target %.0f: %s\n", kMeasured,
                rate, kTargetRate, rate >= kTargetRate ? "met" : "MISSED");
    const int allowed = static_cast<int>(took.count() * 20) + 1;
    std::printf("custom view: %d paints in %.2f s, %.1f ms each, %.0f%% of the time (at most one each 50 ms: "
                "%d): %s\n",
                paints, took.count(), paints ? paintSeconds * 1000 / paints : 0.0,
                100 * paintSeconds / took.count(), allowed, paints <= allowed ? "met" : "MISSED");
    std::printf("custom view: %.0f bytes a kept line (%.0f KB per 1,000), target at most %.0f: %s\n", perLine,
                perLine, kTargetBytesPerLine, perLine <= kTargetBytesPerLine ? "met" : "MISSED");

    // The Rich Edit view in the same run, with the same lines.
    CustomViewMode = 0;
    HWND rich = CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, 0,
                                0, 800, 600, host, nullptr, nullptr, nullptr);
    SendMessageW(rich, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    ShowWindow(custom, SW_HIDE);
    channel.View = channel.Input = rich;
    PrintRate(&channel, 50);
    const double before = PrivateBytes();
    const double richRate = PrintRate(&channel, 5000);
    const LONG richLines = static_cast<LONG>(SendMessageW(rich, EM_GETLINECOUNT, 0, 0));
    const double richPerLine = (PrivateBytes() - before) / (richLines > 0 ? richLines : 1);
    std::printf("Rich Edit view: %8.0f lines/s, %.0f bytes a kept line (%.0f KB per 1,000; %ld lines kept)\n",
                richRate, richPerLine, richPerLine, richLines);

    EraseWindowRecord(&channel);
    EraseWindowRecord(&server);
    DestroyWindow(host);
    UserConfigDocument = nullptr;
    TempDocument = nullptr;
    return 0;
}
