// A channel list of 50,000 channels from a loopback server (321, 50,000 rows of 322, 323) received
// by a real qv (receive loop, handlers, list window, its list control), timed to the control
// holding and having painted every row, beside inserting the same rows (channel,
// members, topic) into a bare list view in this process, in the same run.
// Target: shown within 3 times the bare list view (best of three rounds for the list view).
// Then the list saved as RTF (982) through qv's save dialog, timed from OK to the file in place;
// and, in this process, 200,000 rows written as RTF to a file (median of five rounds).
// Target: 200,000 rows written within 5 seconds.
#include "bench/bench_measures.h"
#include "core/channel_list_rows.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "views/channel_list_rtf.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

#include <commctrl.h>
#include <dlgs.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int kChannels = 50000; // or the first argument
constexpr double kTargetRatio = 3.0;
constexpr int kRounds = 3;
constexpr DWORD kWait = 30000;
constexpr DWORD kListWait = 600000;
constexpr int kListControlId = 906;
constexpr int kSaveRtfCommand = 982;
constexpr int kRtfRows = 200000;
constexpr int kRtfRounds = 5;
constexpr double kRtfTargetSeconds = 5.0;

using Clock = BenchClock;

struct Row {
    std::string Channel, Members, Topic;
};

// Every channel has at least two members, so the window shows every row.
std::vector<Row> Rows(int count) {
    static const char* const words[] = {"welcome", "to",    "the",   "home",  "of",   "friendly",
                                        "talk",    "about", "music", "games", "code", "news",
                                        "rules",   "apply", "be",    "nice"};
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) {
        const unsigned mixed = static_cast<unsigned>(i) * 2654435761u;
        Row row;
        row.Channel = "#c" + std::to_string(mixed % 100000) + "x" + std::to_string(i);
        row.Members = std::to_string(2 + mixed % 3000);
        for (unsigned w = 0; w < 4 + mixed % 9; ++w)
            row.Topic += std::string(w ? " " : "") + words[(mixed >> w) % 16];
        rows.push_back(row);
    }
    return rows;
}

std::string ListStream(const std::vector<Row>& rows, const std::string& nick) {
    std::string stream;
    stream.reserve(rows.size() * 90);
    for (const Row& row : rows)
        stream += ":irc.list 322 " + nick + " " + row.Channel + " " + row.Members + " :" + row.Topic + "\r\n";
    stream += ":irc.list 323 " + nick + " :End of LIST\r\n";
    return stream;
}

double BareListView(HWND parent, const std::vector<Row>& rows, int& items) {
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400,
                                parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    const int widths[] = {150, 60, 380};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = widths[c];
        SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    // Shown as a program would fill it: redraw off while the rows go in, then painted once.
    const auto start = Clock::now();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    int index = 0;
    for (const Row& row : rows) {
        const std::wstring texts[] = {std::wstring(row.Channel.begin(), row.Channel.end()),
                                      std::wstring(row.Members.begin(), row.Members.end()),
                                      std::wstring(row.Topic.begin(), row.Topic.end())};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index++;
        item.pszText = const_cast<wchar_t*>(texts[0].c_str());
        const int at =
            static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < 3; ++c) {
            LVITEMW sub{};
            sub.iSubItem = c;
            sub.pszText = const_cast<wchar_t*>(texts[c].c_str());
            SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
    const double seconds = SecondsSince(start);
    items = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    DestroyWindow(list);
    return seconds;
}

struct ListSearch {
    HWND Found = nullptr;
};

BOOL CALLBACK VisitChat(HWND window, LPARAM parameter) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    const std::wstring title = WindowText(window);
    // "<server> list" while the list is asked for, "Channel list - n channels" once it has rows.
    if (std::wstring(className) == L"BRINDLEX2000_IRC" &&
        (title.starts_with(L"Channel list") || title.ends_with(L" list"))) {
        reinterpret_cast<ListSearch*>(parameter)->Found = window;
        return FALSE;
    }
    return TRUE;
}

size_t ItemCount(HWND list) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kListWait, &count)) return 0;
    return count;
}

struct QvRun {
    double Received = 0, Shown = 0, Reshown = 0, MemoryBefore = 0, MemoryAfter = 0, SavedRtf = 0;
    size_t RowsShown = 0, RowsReshown = 0, RowsSaved = 0;
    bool Ok = false;
};

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

HWND DialogControl(HWND dialog, int id) {
    if (HWND direct = GetDlgItem(dialog, id)) return direct;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (HWND inner = GetDlgItem(child, id)) return inner;
    return nullptr;
}

// 982 in the list window, the file named in qv's save dialog and OK pressed; seconds from OK to
// the file in its place (it is written under another name and moved there when complete).
double SaveAsRtf(const QvProcess& qv, HWND frame, const std::wstring& path, size_t& rows) {
    PostMessageW(frame, WM_COMMAND, kSaveRtfCommand, 0);
    HWND dialog = nullptr;
    if (!Eventually([&] { return (dialog = qv.FindTopWindow(L"#32770")) != nullptr; }, kWait)) return -1;
    HWND name = DialogControl(dialog, cmb13);
    if (!name) name = DialogControl(dialog, edt1);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    const auto start = Clock::now();
    if (HWND ok = DialogControl(dialog, IDOK))
        PostMessageW(ok, BM_CLICK, 0, 0);
    else
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    if (!Eventually([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, kListWait))
        return -1;
    const double seconds = SecondsSince(start);
    // Three header lines, the rows and the footer, a paragraph each.
    rows = Count(ReadFileBytes(path), "\\par\n") - 4;
    return seconds;
}

QvRun ListInQv(const std::vector<Row>& rows) {
    QvRun run;
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(folder.UserDataFolder().c_str(), nullptr);
    WriteFileBytes(folder.UserDataFolder() + L"\\qv.xml",
                   "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"bencher\" /><Misc "
                   "ShowStartPanel=\"0\" /></Cfg><Servers /></qv>");
    ScriptedServer server;
    QvProcess qv(folder.Path(), L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"\"");
    if (!qv.Started() || !server.Accept(kWait) || !server.SkipToLineStarting("USER", kWait)) {
        std::printf("qv did not connect\n");
        return run;
    }
    server.Send(":irc.list 001 bencher :Welcome\r\n:irc.list 376 bencher :End of MOTD\r\n");
    HWND frame = nullptr;
    Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait);
    server.Send(":irc.list 321 bencher Channel :Users  Name\r\n");
    ListSearch search;
    if (!Eventually(
            [&] {
                EnumChildWindows(frame, VisitChat, reinterpret_cast<LPARAM>(&search));
                return search.Found != nullptr;
            },
            kWait)) {
        std::printf("qv did not open the list window\n");
        return run;
    }
    HWND window = search.Found;
    Sleep(2000);
    run.MemoryBefore = PrivateMb(qv.Handle());

    const auto start = Clock::now();
    server.Send(ListStream(rows, "bencher"));
    const ULONGLONG end = GetTickCount64() + kListWait;
    for (;;) {
        // The rows' list control is made when the list is first shown; it answers once painted.
        HWND list = GetDlgItem(window, kListControlId);
        if (run.Received == 0 && WindowText(window) == ChannelListTitle(rows.size(), rows.size()))
            run.Received = SecondsSince(start);
        if (list && (run.RowsShown = ItemCount(list)) == rows.size()) break;
        if (GetTickCount64() > end) {
            std::printf("the list was not shown in time (%zu rows shown)\n", run.RowsShown);
            return run;
        }
        Sleep(10);
    }
    run.Shown = SecondsSince(start);
    if (run.Received == 0) run.Received = run.Shown;
    Sleep(2000);
    run.MemoryAfter = PrivateMb(qv.Handle());

    // Escape in the list's input box shows the list again (as each key typed into it does).
    const auto again = Clock::now();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(window, 902), WM_CHAR, 27, 1, SMTO_NORMAL, kListWait, &ignored);
    run.Reshown = SecondsSince(again);
    run.RowsReshown = ItemCount(GetDlgItem(window, kListControlId));
    run.SavedRtf = SaveAsRtf(qv, frame, folder.Path() + L"\\list.rtf", run.RowsSaved);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 0;
    qv.WaitExit(30000, code);
    run.Ok = true;
    return run;
}

std::vector<ChannelListEntry> Entries(const std::vector<Row>& rows) {
    std::vector<ChannelListEntry> entries;
    entries.reserve(rows.size());
    for (const Row& row : rows)
        entries.push_back({row.Channel, row.Topic, "", static_cast<uint32_t>(std::stoul(row.Members))});
    return entries;
}

RtfViewLook BenchLook() {
    RtfViewLook look;
    look.Start.cbSize = sizeof look.Start;
    look.Start.dwEffects = CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR;
    look.Start.yHeight = 200;
    look.Start.bPitchAndFamily = FIXED_PITCH | FF_MODERN;
    wcscpy(look.Start.szFaceName, L"Courier New");
    look.Stamp = L"\x02 12:00:00 | \x02";
    return look;
}

// The rows written to a file as SaveRtf writes them; seconds per round, and the file's size.
std::vector<double> WriteRtfRounds(const std::vector<ChannelListEntry>& entries, size_t& bytes) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"brindlex_channel_list_bench.rtf";
    std::vector<double> seconds;
    for (int round = 0; round < kRtfRounds; ++round) {
        const auto start = Clock::now();
        if (!WriteChannelListRtf(path, entries, BenchLook())) return {};
        seconds.push_back(SecondsSince(start));
    }
    bytes = ReadFileBytes(path).size();
    DeleteFileW(path.c_str());
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) kChannels = std::atoi(argv[1]);
    PrepareConnectionTests();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const std::vector<Row> rows = Rows(kChannels);

    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    double bare = 1e30;
    int items = 0;
    for (int round = 0; round < kRounds; ++round) bare = std::min(bare, BareListView(parent, rows, items));
    DestroyWindow(parent);

    // The symbol runs of the header read their font from the settings, as in qv.
    XmlDocument config;
    XmlDocumentOpenText(&config,
                        "<?xml version=\"1.0\" ?><qv><Cfg><Fonts Symbol_Font_1=\"8////wAAAAAAAAAAAAAA"
                        "AJABAAAAAAACAAAAAFMAeQBtAGIAbwBsAAAAAAAAAAAAAAAAAAAA__AAAAAAAAAAAAAAAAAAAAAAAA"
                        "AAAAAAAAAAAAAAAAAAAAAAAAAAAA=\" /></Cfg></qv>");
    UserConfigDocument = &config;
    const std::vector<ChannelListEntry> entries = Entries(Rows(kRtfRows));
    size_t rtfBytes = 0;
    std::vector<double> rtf = WriteRtfRounds(entries, rtfBytes);
    UserConfigDocument = nullptr;
    if (rtf.empty()) {
        std::printf("the RTF file could not be written\n");
        return 1;
    }
    std::sort(rtf.begin(), rtf.end());
    const double rtfMedian = rtf[rtf.size() / 2];
    std::printf("%d rows written as RTF to a file, median of %d   %7.2f s  (%.1f MB; fastest %.2f s, slowest "
                "%.2f s); target at most %.1f s: %s\n",
                kRtfRows, kRtfRounds, rtfMedian, rtfBytes / 1048576.0, rtf.front(), rtf.back(),
                kRtfTargetSeconds, rtfMedian <= kRtfTargetSeconds ? "met" : "MISSED");

    const QvRun qv = ListInQv(rows);
    std::printf("channel list of %d rows (322) from a loopback server\n", kChannels);
    std::printf("bare list view, same rows inserted (3 columns), best of %d   %7.2f s  (%d items)\n", kRounds,
                bare, items);
    if (!qv.Ok) return 1;
    std::printf("qv, every row received (title shows the count)       %7.2f s\n", qv.Received);
    const double ratio = qv.Shown / bare;
    std::printf("qv, list shown with every row                         %7.2f s  (%zu rows in the list)\n",
                qv.Shown, qv.RowsShown);
    std::printf("ratio %.2f (target at most %.1f): %s\n", ratio, kTargetRatio,
                ratio <= kTargetRatio && qv.RowsShown == rows.size() ? "met" : "MISSED");
    std::printf("qv, shown again (Escape in its input box)             %7.2f s  (%zu rows in the list)\n",
                qv.Reshown, qv.RowsReshown);
    std::printf("qv, saved as RTF through its dialog (OK to the file)  %7.2f s  (%zu rows in the file)\n",
                qv.SavedRtf, qv.RowsSaved);
    std::printf("qv private memory before the list %.1f MB, after %.1f MB: %+.1f MB\n", qv.MemoryBefore,
                qv.MemoryAfter, qv.MemoryAfter - qv.MemoryBefore);
    return 0;
}
