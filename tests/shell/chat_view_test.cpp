// The custom-drawn chat view in a real window: lines appended, wrapped and drawn, typing with
// history and quick completion, and scrolling that pauses and resumes the window.
#include "tests/shell/shell_test_support.h"

#include "core/window_record.h"
#include "irc/custom_view_lines.h"
#include "shell/controls/chat_view_window.h"
#include "tests/recorders/recorders.h"
#include "views/chat_view.h"

#include <set>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

class ChatView : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        static const bool registered = RegisterChatViewClass();
        ASSERT_TRUE(registered);
        SetConfig("Cfg\\Colors", "BG_Color", "16777215");
        SetConfig("Cfg\\Colors", "FG_Color", "0");
        parent_ = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight,
                                  nullptr, nullptr, nullptr, nullptr);
        view_ = CreateWindowExW(0, L"twin", L"", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight, parent_,
                                nullptr, nullptr, nullptr);
        record_ = Add(kChannelWindow, nullptr, "#chan", parent_);
        record_->View = record_->Input = view_;
    }
    void TearDown() override {
        DestroyWindow(parent_);
        ShellTest::TearDown();
    }
    ChatViewState* State() {
        return reinterpret_cast<ChatViewState*>(GetWindowLongPtrW(view_, GWLP_USERDATA));
    }
    void Paint() {
        InvalidateRect(view_, nullptr, FALSE);
        UpdateWindow(view_);
    }
    void Type(const std::wstring& text) {
        for (wchar_t c : text) SendMessageW(view_, WM_CHAR, c, 0);
    }
    // Pixels of the view as the window shows them, 0x00RRGGBB.
    std::vector<uint32_t> ReadBack() {
        HDC dc = GetDC(view_);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB};
        void* bits = nullptr;
        HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, copy);
        BitBlt(memory, 0, 0, kWidth, kHeight, dc, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits),
                                     static_cast<uint32_t*>(bits) + kWidth * kHeight);
        DeleteDC(memory);
        DeleteObject(copy);
        ReleaseDC(view_, dc);
        return pixels;
    }

    HWND parent_ = nullptr;
    HWND view_ = nullptr;
    WindowRecord* record_ = nullptr;
};

TEST_F(ChatView, ShowsLinesWrappedToTheViewInTheirColours) {
    std::wstring longLine = L"<alice>";
    for (int i = 0; i < 30; ++i) longLine += L" word" + std::to_wstring(i);
    AppendViewLine(record_,
                   L"\x03"
                   L"04red text here",
                   0);
    AppendViewLine(record_, longLine, 0);
    AppendViewLine(record_, std::wstring(200, L'x'), 0);
    Paint();
    ChatViewState* state = State();
    ASSERT_EQ(3u, state->Lines.size());
    RECT client{};
    GetClientRect(view_, &client);
    for (size_t line = 1; line < 3; ++line) {
        std::set<int32_t> rows;
        for (const TextRun& run : state->Lines[line].Runs) {
            EXPECT_GE(run.X, 0) << "every run is drawn";
            EXPECT_LE(run.X + run.Width, client.right) << "line " << line;
            rows.insert(run.Y);
        }
        EXPECT_GT(rows.size(), 1u) << "line " << line << " wraps";
    }
    int red = 0;
    for (uint32_t pixel : ReadBack())
        red += (pixel >> 16 & 0xFF) > 0xC0 && (pixel >> 8 & 0xFF) < 0x60 ? 1 : 0;
    EXPECT_GT(red, 20) << "the coloured run is drawn in red";
}

// The view reads its lines through the markup reader the Rich Edit views use: struck-out text and
// a link's label reach the runs with their looks, and the link's commands are not shown.
TEST_F(ChatView, StrikeOutAndLinksReachTheRuns) {
    AppendViewLine(record_, L"plain \x1Dstruck\x1D \x18{go|||/join #x}label\x18", 0);
    Paint();
    ChatViewState* state = State();
    ASSERT_EQ(1u, state->Lines.size());
    std::wstring shown, struck, linked;
    for (const TextRun& run : state->Lines[0].Runs) {
        shown += run.Text;
        if (run.Strike) struck += run.Text;
        if (run.Link && run.Underline) linked += run.Text;
    }
    EXPECT_EQ(shown, L"plain struck label");
    EXPECT_EQ(struck, L"struck");
    EXPECT_EQ(linked, L"label");
}

// Runs copied from the text stamps show exactly the pixels drawing them afresh gave: in colours
// with and without alpha, over filled backgrounds, bold and underlined.
TEST_F(ChatView, RunsCopiedFromStampsMatchRunsDrawnAfresh) {
    for (int i = 0; i < 12; ++i) {
        const std::wstring n = std::to_wstring(i);
        AppendViewLine(
            record_,
            L"\002w" + n + L"a\002 \00304,02w" + n + L"b\003 \00735005500w" + n + L"c \037w" + n + L"d", 0);
    }
    ReleaseChatViewStamps();
    Paint();
    if (State()->Mode != kPainterGdiPlus) GTEST_SKIP() << "SKIPPED: stamps serve the GDI+ view only";
    const TextStampCounts first = CountChatViewStamps();
    EXPECT_GE(first.Drawn, 48u) << "every word of the first paint is drawn afresh";
    const std::vector<uint32_t> drawn = ReadBack();
    Paint();
    const TextStampCounts second = CountChatViewStamps();
    EXPECT_EQ(first.Drawn, second.Drawn) << "the second paint draws no run afresh";
    EXPECT_EQ(first.Copied + first.Drawn, second.Copied - first.Copied) << "it copies every run";
    EXPECT_TRUE(drawn == ReadBack()) << "copied runs differ from drawn ones";
}

// Lines that arrive just after a paint wait for the next interval, and are then drawn without
// anything else happening in the view.
TEST_F(ChatView, LinesArrivingJustAfterAPaintAreDrawnWhenTheIntervalIsOver) {
    AppendViewLine(record_, L"first", 0);
    Paint();
    for (int i = 0; i < 300; ++i) AppendViewLine(record_, L"burst " + std::to_wstring(i), 0);
    ChatViewState* state = State();
    const auto lastDrawn = [&] {
        const NamedEntry& last = state->Lines.back();
        return !last.Runs.empty() && last.Runs.front().X >= 0;
    };
    const ULONGLONG limit = GetTickCount64() + 10000;
    MSG message;
    while (!lastDrawn() && GetTickCount64() < limit) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    EXPECT_TRUE(lastDrawn()) << "the newest line is shown";
    EXPECT_EQ(state->EndFirstLine, state->FirstLine) << "the view follows the end";
}

TEST_F(ChatView, TypedLinesSubmitWithQuickCompletionAndComeBackFromHistory) {
    SetConfig("Cfg\\Options3\\Quick_Complete", "From", "brb");
    SetConfig("Cfg\\Options3\\Quick_Complete", "To", "be right back");
    Type(L"brb soon\r");
    const std::vector<std::string> lines = RecordedInputLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("be right back soon", lines[0]);
    EXPECT_TRUE(State()->Typed.empty());
    SendMessageW(view_, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(L"be right back soon", State()->Typed);
    SendMessageW(view_, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_TRUE(State()->Typed.empty());
    Type(L"ab\b");
    EXPECT_EQ(L"a", State()->Typed);
}

TEST_F(ChatView, ScrollingUpPausesTheWindowAndScrollingDownResumesIt) {
    for (int i = 0; i < 200; ++i) AppendViewLine(record_, L"line " + std::to_wstring(i), 0);
    Paint();
    ChatViewState* state = State();
    EXPECT_FALSE(state->ScrolledAway);
    const uint32_t end = state->FirstLine;
    EXPECT_GT(end, 150u) << "the view follows the newest lines";
    EXPECT_EQ(200u, state->Lines.size());
    EXPECT_LT(state->LaidOut.size(), 60u) << "only shown lines keep their runs";

    SendMessageW(view_, WM_VSCROLL, SB_PAGEUP, 0);
    Paint();
    EXPECT_TRUE(state->ScrolledAway);
    EXPECT_EQ(end - 20, state->FirstLine);
    EXPECT_EQ(1, record_->Paused);
    AppendViewLine(record_, L"arrives while away", 0);
    Paint();
    EXPECT_EQ(end - 20, state->FirstLine) << "a scrolled view stays where it is";

    // One page down stops short of the line that arrived meanwhile; the next reaches the end.
    SendMessageW(view_, WM_VSCROLL, SB_PAGEDOWN, 0);
    Paint();
    EXPECT_TRUE(state->ScrolledAway);
    SendMessageW(view_, WM_VSCROLL, SB_PAGEDOWN, 0);
    Paint();
    EXPECT_FALSE(state->ScrolledAway);
    EXPECT_EQ(0, record_->Paused);
}

} // namespace
