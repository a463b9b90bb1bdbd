// Lines per second that the line printer puts into one visible Rich Edit view that already holds
// 10,000 and 100,000 lines (typical lines: time stamp, sender, text, now and then a colour; heavy
// lines: bold, colours, underline and a link), and the memory each 1,000 printed lines take. The
// rate of the control alone, one unformatted insert per line, is printed beside them: each
// differently formatted run of a line is one insert into the control.
#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "shell/client_services_install.h"
#include "tests/recorders/recorders.h"
#include "common/app_state.h"
#include "common/rich_edit_helpers.h"
#include "common/text_compare.h"
#include "irc/server_connection.h"
#include "core/window_list.h"
#include "tests/recorders/call_log.h"
#include "views/line_printer.h"
#include "views/print_dispatch.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

namespace {

constexpr double kTargetRate = 2000.0;

const char kConfig[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><root><Cfg>"
    "<Options1 /><Options2 TimeStamp=\"1\" /><Options3><Notifications Hilite_words=\"pizza\" />"
    "</Options3><Colors FG_Color=\"0\" BG_Color=\"16777215\" /></Cfg></root>";

// Committed private memory of the process (the page-file usage; Wine leaves PrivateUsage 0).
double PrivateMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
}

LONG LineCount(HWND view) {
    return static_cast<LONG>(SendMessageW(view, EM_GETLINECOUNT, 0, 0));
}

// Plain lines appended in large blocks, to bring the view to a size quickly.
void Prefill(HWND view, int lines) {
    std::wstring block;
    for (int i = 0; i < lines; ++i) {
        block += L"12:00:00 | <someone> an earlier line of ordinary chat text, number " + std::to_wstring(i) +
                 L"\r\n";
        if (block.size() > 200000 || i + 1 == lines) {
            CHARRANGE end{-1, -1};
            SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
            SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(block.c_str()));
            block.clear();
        }
    }
}

// A typical chat line: sender and text, every fourth with a colour.
std::wstring TypicalLine(int i) {
    std::wstring text = L"<nick" + std::to_wstring(i % 7) + L"> ";
    if (i % 4 == 0)
        text += L"\x03"
                L"4,1coloured\x03 ";
    return text + L"an ordinary line of chat as it comes from the server, number " + std::to_wstring(i);
}

// A heavy line: bold sender, colours, underline and a link.
std::wstring ChatLine(int i) {
    return L"<\x02nick" + std::to_wstring(i % 7) +
           L"\x02> \x03"
           L"4,1colour\x03 and \x1Funderline\x1F, a \x18{Open|||/join #"
           L"chan}#chan\x18 link and some ordinary words to fill the line " +
           std::to_wstring(i);
}

// Lines per second of count printed lines.
double PrintRate(WindowRecord* record, int count, int first, std::wstring (*line)(int) = TypicalLine) {
    MSG message;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        PrintToWindow(kMessageLine, record, line(first + i), nullptr, 0, 0, 0, 1, 0);
        if (i % 50 == 0) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            CallLog::Instance().Clear();
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    CallLog::Instance().Clear();
    return count / took.count();
}

// What the control itself manages: one unformatted insert per line, no printer.
double RawInsertRate(HWND view, int count) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        std::wstring line = TypicalLine(i) + L"\r\n";
        RichEditAppendText(view, line.c_str(), false, true);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return count / took.count();
}

void Report(const char* what, LONG lines, double rate) {
    std::printf("%-34s %7ld lines in view  %8.0f lines/s  target %.0f: %s\n", what, lines, rate, kTargetRate,
                rate >= kTargetRate ? "met" : "MISSED");
}

} // namespace

int main() {
    NoteInterfaceThread();
    BuildFoldTable();
    InstallClientServices();
    for (void (*install)() :
         {InstallEventScriptRecorder, InstallPluginRecorders, InstallShakeRecorder, InstallPictureRecorder})
        install();
    XmlDocument config;
    XmlDocument temp;
    XmlDocumentOpenText(&config, kConfig);
    XmlDocumentOpenText(&temp, "<?xml version=\"1.0\" ?><root />");
    UserConfigDocument = &config;
    TempDocument = &temp;
    PrepareLinePrinter();

    LoadLibraryW(L"riched20.dll");
    HWND host = CreateWindowExW(0, L"STATIC", L"views bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800,
                                600, nullptr, nullptr, nullptr, nullptr);
    HWND view = CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, 0,
                                0, 780, 560, host, nullptr, nullptr, nullptr);
    if (!view) {
        std::printf("no Rich Edit control\n");
        return 1;
    }
    SendMessageW(view, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    SendMessageW(view, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    MainWindow = host;

    ServerConnection connection;
    connection.OwnNick = "me";
    WindowRecord server(nullptr, kServerWindow, nullptr);
    server.Connection = &connection;
    WindowRecord channel(host, kChannelWindow, &server);
    channel.Name = "#bench";
    channel.View = view;
    InsertWindowRecord(&server);
    InsertWindowRecord(&channel);

    const int kMeasured = 2000;
    Prefill(view, 10000);
    Report("typical lines, view of 10,000", LineCount(view), PrintRate(&channel, kMeasured, 0));
    Report("heavy lines, view of 10,000", LineCount(view), PrintRate(&channel, kMeasured, 0, ChatLine));

    double before = PrivateMegabytes();
    LONG linesBefore = LineCount(view);
    PrintRate(&channel, 5000, kMeasured);
    double printedPerThousand = (PrivateMegabytes() - before) * 1000.0 / (LineCount(view) - linesBefore);
    before = PrivateMegabytes();
    linesBefore = LineCount(view);
    Prefill(view, 5000);
    double plainPerThousand = (PrivateMegabytes() - before) * 1000.0 / (LineCount(view) - linesBefore);

    Prefill(view, 100000 - LineCount(view));
    Report("typical lines, view of 100,000", LineCount(view), PrintRate(&channel, kMeasured, 10000));
    Report("heavy lines, view of 100,000", LineCount(view), PrintRate(&channel, kMeasured, 10000, ChatLine));
    std::printf("the control alone, one plain insert a line: %8.0f inserts/s\n",
                RawInsertRate(view, kMeasured));

    std::printf("memory per 1,000 printed lines      %8.2f MB (typical lines; plain lines put in without the "
                "printer: %.2f MB)\n",
                printedPerThousand, plainPerThousand);
    std::printf("private memory with %ld lines       %8.1f MB\n", LineCount(view), PrivateMegabytes());
    EraseWindowRecord(&channel);
    EraseWindowRecord(&server);
    DestroyWindow(host);
    UserConfigDocument = nullptr;
    TempDocument = nullptr;
    return 0;
}
