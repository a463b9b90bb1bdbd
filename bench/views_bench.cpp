// Lines per second that the line printer puts into one visible Rich Edit chat view held at its
// line bound (typical lines: time stamp, sender, text, now and then a colour; heavy lines: bold,
// colours, underline and a link), one line a pass and many lines a pass (handed over by a worker
// thread, with the longest time one message keeps this thread), and the memory 1,000 printed lines
// take. The rate of the control alone, one unformatted
// insert per line, is printed beside them. Then the printer's own cost per line, outside the
// control: the steps every line takes (settings, grouping, highlight, activity, stamp, plug-in
// notice), reading its markup and writing it as RTF, and the hand-over between threads. Target:
// under 20 us a line. Last, a flood of long lines: the longest time one message keeps the thread.
#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "shell/startup/client_services_install.h"
#include "tests/recorders/recorders.h"
#include "common/app_state.h"
#include "common/rich_edit_helpers.h"
#include "common/text_compare.h"
#include "irc/server_connection.h"
#include "core/window_list.h"
#include "tests/recorders/call_log.h"
#include "views/line_printer.h"
#include "views/markup_reader.h"
#include "views/print_dispatch.h"
#include "views/rtf_batch.h"
#include "views/view_bound.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

namespace {

constexpr double kTargetRate = 2000.0;
constexpr double kTargetOwnCostUs = 20.0;

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

// True when the view's last line ends in the text.
bool EndsWithLine(HWND view, const std::wstring& text) {
    GETTEXTLENGTHEX request{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LONG length =
        static_cast<LONG>(SendMessageW(view, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0));
    const LONG from =
        length > static_cast<LONG>(text.size()) + 1 ? length - static_cast<LONG>(text.size()) - 1 : 0;
    std::wstring tail(static_cast<size_t>(length - from) + 1, L'\0');
    TEXTRANGEW range{{from, length}, tail.data()};
    tail.resize(
        static_cast<size_t>(SendMessageW(view, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
    return tail == text + L"\r";
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
        PrintToWindow(kMessageLine, record, line(first + i), {.ChatLine = true});
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

// The longest this thread spent on one message in the last BatchedRate.
double g_longestMessageMs = 0;

// Lines per second when a worker thread hands count lines over and this thread puts them in, in
// its slices. The numbers of the lines must not have been printed before: the last one tells when
// all are in.
double BatchedRate(WindowRecord* record, int count, int first, std::wstring (*line)(int) = TypicalLine) {
    // Both kinds of line end in their number.
    const std::wstring last = L" " + std::to_wstring(first + count - 1);
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([&] {
        for (int i = 0; i < count; ++i)
            PrintToWindow(kMessageLine, record, line(first + i), {.ChatLine = true});
    });
    MSG message;
    double longest = 0;
    for (;;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            const auto begin = std::chrono::steady_clock::now();
            DispatchMessageW(&message);
            const std::chrono::duration<double, std::milli> busy = std::chrono::steady_clock::now() - begin;
            longest = std::max(longest, busy.count());
        }
        if (EndsWithLine(record->View, last)) break;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    worker.join();
    CallLog::Instance().Clear();
    g_longestMessageMs = longest;
    return count / took.count();
}

// Microseconds a line of the printer's own work, in three parts.
struct OwnCost {
    double Steps = 0, Markup = 0, HandOver = 0;
};

OwnCost MeasureOwnCost(WindowRecord* record, HWND scratch, int count) {
    OwnCost cost;
    using Clock = std::chrono::steady_clock;
    auto perLine = [count](Clock::time_point start) {
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
    };
    // A paused window takes every step of a line and holds it instead of putting it in: a worker
    // hands the lines over, and this thread's slices take them; the time of its messages counts.
    // The plug-in host has no plug-ins here.
    record->Paused = 1;
    std::thread steps([&] {
        for (int i = 0; i < count; ++i)
            PrintToWindow(kMessageLine, record, TypicalLine(i), {.ChatLine = true});
    });
    Clock::duration busy{};
    MSG message;
    while (record->HeldLines.size() < static_cast<size_t>(count)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            const auto begin = Clock::now();
            DispatchMessageW(&message);
            busy += Clock::now() - begin;
        }
    }
    steps.join();
    cost.Steps = std::chrono::duration<double, std::micro>(busy).count() / count;
    const size_t held = record->HeldLines.size();
    record->Paused = 0;
    record->HeldLines.clear();
    CallLog::Instance().Clear();
    if (held != static_cast<size_t>(count)) std::printf("%zu of %d lines held\n", held, count);

    {
        // Into a hidden view of its own, put in only when the batch ends.
        RtfBatch batch(scratch);
        const CHARFORMAT2W look = batch.StartLook();
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i)
            batch.AddLine(
                ReadMarkupLine(L"\x02 12:00:00 | \x02" + TypicalLine(i) + L"\r\n", look, 0, false, record),
                record);
        cost.Markup = perLine(start);
    }

    // The worker's side of the hand-over: the line queued for this thread, which takes them off
    // between the worker's runs of lines (fewer than the queue holds, so the worker never waits).
    constexpr int kRun = 1000;
    Clock::duration handing{};
    for (int first = 0; first < count; first += kRun) {
        std::thread worker([&] {
            const auto begin = Clock::now();
            for (int i = first; i < std::min(count, first + kRun); ++i)
                PrintToWindow(kMessageLine, record, TypicalLine(i), {.ChatLine = true});
            handing += Clock::now() - begin;
        });
        worker.join();
        TakeQueuedPrints(record->View);
    }
    cost.HandOver = std::chrono::duration<double, std::micro>(handing).count() / count;
    return cost;
}

// A peer's flood of long lines (20,000 characters, as long as a DCC chat line may be) handed over
// by a worker: how long this thread spends on one message at most (its longest time away from the
// rest of its messages), and the memory the view takes then.
void LongLines(WindowRecord* record, int count) {
    // As in a chat window's view: no undo, whose copies of the removed lines would grow.
    SendMessageW(record->View, EM_SETUNDOLIMIT, 0, 0);
    std::wstring text;
    while (text.size() < 20000) text += L"long words without end ";
    text.resize(20000 - 6);
    const double before = PrivateMegabytes();
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([&] {
        for (int i = 0; i < count; ++i)
            PrintToWindow(kMessageLine, record, text + L" " + std::to_wstring(i), {.ChatLine = true});
    });
    const std::wstring last = L" " + std::to_wstring(count - 1);
    double longest = 0;
    MSG message;
    for (;;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            const auto begin = std::chrono::steady_clock::now();
            DispatchMessageW(&message);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
            longest = std::max(longest, took.count());
        }
        if (EndsWithLine(record->View, last)) break;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    worker.join();
    CallLog::Instance().Clear();
    std::printf("long lines handed over: %d of 20,000 characters in %.1f s, longest message %.0f ms, "
                "memory %+.1f MB\n",
                count, took.count(), longest, PrivateMegabytes() - before);
}

void Report(const char* what, LONG lines, double rate) {
    std::printf("%-34s %7ld lines in view  %8.0f lines/s  target %.0f: %s\n", what, lines, rate, kTargetRate,
                rate >= kTargetRate ? "met" : "MISSED");
}

void ReportHandedOver(const char* what, HWND view, double rate) {
    Report(what, LineCount(view), rate);
    std::printf("%-34s longest message %.0f ms\n", "", g_longestMessageMs);
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
    Prefill(view, static_cast<int>(kViewLineLimit));
    Report("typical lines, one a pass", LineCount(view), PrintRate(&channel, kMeasured, 0));
    Report("heavy lines, one a pass", LineCount(view), PrintRate(&channel, kMeasured, 0, ChatLine));
    ReportHandedOver("typical lines, handed over", view, BatchedRate(&channel, 20000, 0));
    ReportHandedOver("heavy lines, handed over", view, BatchedRate(&channel, 20000, 20000, ChatLine));

    const double before = PrivateMegabytes();
    BatchedRate(&channel, 50000, 100000);
    std::printf("memory after 50,000 more lines             %+8.2f MB (%ld lines in the view)\n",
                PrivateMegabytes() - before, LineCount(view));

    // Memory before the plain inserts and the scratch view below add lines the bound does not see.
    std::printf("private memory with %ld lines in the view       %8.1f MB\n", LineCount(view),
                PrivateMegabytes());
    std::printf("the control alone, one plain insert a line: %8.0f inserts/s\n",
                RawInsertRate(view, kMeasured));
    HWND scratch = CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | ES_MULTILINE, 0, 0, 100, 100, host,
                                   nullptr, nullptr, nullptr);
    const OwnCost cost = MeasureOwnCost(&channel, scratch, 20000);
    // A hidden view of 20,000 lines slows the others down under Wine.
    DestroyWindow(scratch);
    const double total = cost.Steps + cost.Markup + cost.HandOver;
    std::printf(
        "printer's own cost a line: steps %.2f us, markup and RTF %.2f us, hand-over %.2f us; total %.2f us, "
        "target under %.0f us: %s\n",
        cost.Steps, cost.Markup, cost.HandOver, total, kTargetOwnCostUs,
        total < kTargetOwnCostUs ? "met" : "MISSED");
    LongLines(&channel, 500);
    EraseWindowRecord(&channel);
    EraseWindowRecord(&server);
    DestroyWindow(host);
    UserConfigDocument = nullptr;
    TempDocument = nullptr;
    return 0;
}
