// Lines put into a view together in one pass look exactly as lines put in one by one, and a chat
// view keeps only its newest lines with their links working.
#include "tests/views/views_test_support.h"

#include "core/window_list.h"
#include "shell/controls/link_commands.h"
#include "views/line_printer.h"
#include "views/view_bound.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <thread>

namespace {

// Plain text, every attribute the markup sets, palette and direct colours, a link, text beyond
// ASCII, RTF's own special characters and a tab.
std::wstring MixedLine(int i) {
    switch (i % 8) {
        case 0: return L"plain line " + std::to_wstring(i);
        case 1:
            return L"\x02"
                   L"bold\x02 \x1Ditalic\x1D \x1Funder\x1F \x1Estrike\x1E " +
                   std::to_wstring(i);
        case 2:
            return L"\x03"
                   L"4,2red on blue\x03 \x03"
                   L"12light\x0F reset " +
                   std::to_wstring(i);
        case 3:
            return L"\x18{Join|||/join #c" + std::to_wstring(i) + L"}link " + std::to_wstring(i) +
                   L"\x18 after";
        case 4: return L"caf\x00E9 \x043F\x0440\x0438 \x4E2D\x6587 " + std::to_wstring(i);
        case 5: return L"braces {a} back\\slash\ttab " + std::to_wstring(i);
        case 6:
            return L"\x16reverse\x16 \x02\x03"
                   L"3bold green\x0F " +
                   std::to_wstring(i);
        default: return L"<\x02nick" + std::to_wstring(i % 5) + L"\x02> chat text " + std::to_wstring(i);
    }
}

bool SameLook(const CHARFORMAT2W& a, const CHARFORMAT2W& b) {
    const DWORD effects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_LINK | CFE_HIDDEN |
                          CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR;
    return (a.dwEffects & effects) == (b.dwEffects & effects) && a.crTextColor == b.crTextColor &&
           a.crBackColor == b.crBackColor && a.yHeight == b.yHeight && a.bUnderlineType == b.bUnderlineType &&
           wcscmp(a.szFaceName, b.szFaceName) == 0;
}

struct ShownChar {
    wchar_t Char;
    CHARFORMAT2W Look;
};

// Every character of the view with its format, without the digits of link index markers (links
// are numbered program-wide, so the same line gets another number in another view).
std::vector<ShownChar> Shown(HWND view) {
    const std::wstring text = RichEditText(view);
    std::vector<ShownChar> shown;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text.compare(at, 3, L"_L_") == 0 && at + 3 < text.size() && iswdigit(text[at + 3])) {
            shown.push_back({L'_', FormatAt(view, static_cast<LONG>(at))});
            at += 3;
            while (at < text.size() && iswdigit(text[at])) ++at;
            --at;
            continue;
        }
        shown.push_back({text[at], FormatAt(view, static_cast<LONG>(at))});
    }
    return shown;
}

class PrinterBatch : public ChatViewTest {};

} // namespace

// The interface thread prints the corpus into one view a line at a time; three worker threads
// print it at the same time into views of their own while the interface thread is busy, so each
// of those views gets its lines in one pass. Every view reads back alike, character by character.
TEST_F(PrinterBatch, LinesPutInTogetherLookAsLinesPutInOneByOne) {
    constexpr int kLines = 48, kWorkers = 3;
    for (int i = 0; i < kLines; ++i) {
        PrintToWindow(kMessageLine, channel_, MixedLine(i));
        PumpMessages();
    }
    std::vector<HWND> views;
    std::vector<WindowRecord*> records;
    for (int w = 0; w < kWorkers; ++w) {
        views.push_back(CreateTestRichEdit(host_));
        SendMessageW(views.back(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
        const std::string name = "#w" + std::to_string(w);
        records.push_back(AddRecord(kChannelWindow, server_, name.c_str(), host_, views.back()));
    }
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < kLines; ++i) PrintToWindow(kMessageLine, records[w], MixedLine(i));
        });
    for (auto& t : workers) t.join();
    PumpMessages();

    const std::vector<ShownChar> expected = Shown(view_);
    ASSERT_NE(ViewText().find(L"chat text 47"), std::wstring::npos);
    for (int w = 0; w < kWorkers; ++w) {
        const std::vector<ShownChar> shown = Shown(views[w]);
        ASSERT_EQ(shown.size(), expected.size()) << "view " << w;
        for (size_t at = 0; at < expected.size(); ++at) {
            ASSERT_EQ(shown[at].Char, expected[at].Char) << "view " << w << " at " << at;
            ASSERT_TRUE(SameLook(shown[at].Look, expected[at].Look)) << "view " << w << " differs at " << at;
        }
        DestroyWindow(views[w]);
    }
}

// A chat view printed past its limit drops its oldest lines in blocks; the kept lines' links
// still lead to their own commands.
TEST_F(PrinterBatch, BoundedViewDropsTheOldestLinesAndKeepsLinks) {
    const int total = static_cast<int>(kViewLineLimit + kViewTrimBlock / 2);
    std::atomic<bool> done{false};
    // Links cost the control most; every 25th line and the last one carry one.
    auto hasLink = [&](int i) { return i % 25 == 0 || i == total - 1; };
    std::thread worker([&] {
        for (int i = 0; i < total; ++i) {
            const std::wstring n = std::to_wstring(i);
            PrintToWindow(kMessageLine, channel_,
                          L"line " + n + L" " +
                              (hasLink(i) ? L"\x18{Go|||/join #c" + n + L"}go " + n + L"\x18" : L"go " + n) +
                              L" end");
        }
        done = true;
    });
    while (!done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    worker.join();
    // The last pass may wait for the repaint interval.
    const std::wstring last = L"go " + std::to_wstring(total - 1) + L" end";
    for (int i = 0; i < 100 && Find(last) < 0; ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }

    const std::wstring text = ViewText();
    const auto lines = static_cast<uint32_t>(std::count(text.begin(), text.end(), L'\r'));
    EXPECT_LE(lines, kViewLineLimit);
    EXPECT_GE(lines, kViewLineLimit - kViewTrimBlock);
    EXPECT_EQ(text.rfind(L"line 0 ", 0), std::wstring::npos);
    const int first = total - static_cast<int>(lines);
    EXPECT_EQ(text.rfind(L"line " + std::to_wstring(first) + L" ", 0), 0u) << "the oldest lines go first";

    for (int i : {(first + 24) / 25 * 25, total / 2 / 25 * 25, total - 1}) {
        const LONG at = Find(L"go " + std::to_wstring(i) + L" end");
        ASSERT_GE(at, 0) << i;
        ASSERT_TRUE(FormatAt(view_, at).dwEffects & CFE_LINK) << i;
        LONG start = at;
        while (start > 0 && (FormatAt(view_, start - 1).dwEffects & CFE_LINK)) --start;
        uint32_t index = 0;
        ASSERT_TRUE(ParseLinkIndex(text.substr(static_cast<size_t>(start)), index)) << i;
        std::vector<std::pair<std::string, std::string>> commands;
        ASSERT_TRUE(ReadLinkCommands(index, commands));
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].second, "/join #c" + std::to_string(i));
    }
}

namespace {

// Paragraph marks the view is given by the inserts that reach it (the printer puts lines in as RTF).
int g_linesPut = 0;
WNDPROC g_richEditProc = nullptr;

LRESULT CALLBACK CountingProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == EM_SETTEXTEX && lParam)
        for (const char* at = reinterpret_cast<const char*>(lParam); (at = strstr(at, "\\par")); at += 4)
            if (at[4] < 'a' || at[4] > 'z') ++g_linesPut;
    return CallWindowProcW(g_richEditProc, view, message, wParam, lParam);
}

} // namespace

// A burst of lines beyond what the view keeps (a long MOTD, a WHO reply) costs the view only the
// lines it keeps: the others are logged like every line, in order, but never put into the control.
TEST_F(PrinterBatch, BurstBeyondTheBoundPutsOnlyTheKeptLinesIntoTheView) {
    channel_->Logging = 1;
    const int total = static_cast<int>(3 * kViewLineLimit);
    std::vector<std::wstring> burst;
    for (int i = 0; i < total; ++i) burst.push_back(L"burst line " + std::to_wstring(i));
    g_linesPut = 0;
    g_richEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(view_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    views::PrintLinesToWindow(kMessageLine, channel_, burst, 1);
    const std::wstring last = L"burst line " + std::to_wstring(total - 1) + L"\r";
    while (ViewText().find(last) == std::wstring::npos) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    SetWindowLongPtrW(view_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_richEditProc));

    EXPECT_EQ(g_linesPut, static_cast<int>(kViewLineLimit));
    const std::wstring text = ViewText();
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), static_cast<int>(kViewLineLimit));
    EXPECT_EQ(
        text.rfind(L"burst line " + std::to_wstring(total - static_cast<int>(kViewLineLimit)) + L"\r", 0),
        0u);
    const auto logged = Calls("WriteLogLine");
    ASSERT_EQ(logged.size(), static_cast<size_t>(total));
    for (int i = 0; i < total; i += 997)
        EXPECT_EQ(logged[static_cast<size_t>(i)].Text, "burst line " + std::to_string(i) + "\r\n");
}
