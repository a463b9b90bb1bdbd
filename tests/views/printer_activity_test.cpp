// What a printed line does to the window's tab, the tray balloon and the ticker.
#include "tests/views/views_test_support.h"

#include "common/app_state.h"
#include "core/frame_handles.h"
#include "core/window_list.h"
#include "shell/windows/window_tabs.h"
#include "ui/ticker_window.h"
#include "views/line_printer.h"

#include <commctrl.h>

namespace {

LRESULT CALLBACK TickerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::vector<std::wstring> g_tickerTexts;

LRESULT CALLBACK TickerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TICKER_ADD_TEXT) {
        g_tickerTexts.push_back(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class PrinterActivity : public ChatViewTest {
protected:
    void SetUp() override {
        ChatViewTest::SetUp();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
        tabs_ = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_POPUP, 0, 0, 300, 30, nullptr, nullptr, nullptr,
                                nullptr);
        WindowTabsControl = tabs_;
        RebuildWindowTabs();
        // The channel is not the window the user works in: the frame is in front.
        other_ =
            CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        channel_->Window = other_;
    }
    void TearDown() override {
        WindowTabsControl = nullptr;
        TickerWindow = nullptr;
        if (ticker_) DestroyWindow(ticker_);
        DestroyWindow(tabs_);
        DestroyWindow(other_);
        ChatViewTest::TearDown();
    }
    void Print(const std::wstring& text, uint8_t noNotice = 0, uint8_t chatLine = 0) {
        PrintToWindow(kMessageLine, channel_, text, {.NoNotice = noNotice != 0, .ChatLine = chatLine != 0});
    }
    uint32_t State() { return GetWindowTabState(channel_); }
    void OpenTicker() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = TickerProc;
        wc.lpszClassName = L"BrindlexTestTicker";
        RegisterClassW(&wc);
        ticker_ = CreateWindowExW(0, L"BrindlexTestTicker", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr);
        TickerWindow = ticker_;
        g_tickerTexts.clear();
    }

    HWND tabs_ = nullptr;
    HWND other_ = nullptr;
    HWND ticker_ = nullptr;
};

} // namespace

TEST_F(PrinterActivity, OrdinaryLinesRaiseTheStateAndMentionsRaiseItFurther) {
    ASSERT_EQ(State(), kTabIdle);
    Print(L"hello all");
    EXPECT_EQ(State(), kTabNewLines);
    Print(L"hi me, how are you");
    EXPECT_EQ(State(), kTabMentioned);
    // A later ordinary line never lowers it.
    Print(L"bye");
    EXPECT_EQ(State(), kTabMentioned);
}

TEST_F(PrinterActivity, EmptyOwnNickCountsAsAMention) {
    connection_->OwnNick.clear();
    Print(L"anything");
    EXPECT_EQ(State(), kTabMentioned);
}

TEST_F(PrinterActivity, NotifyStateAndNoNoticeLetOnlyHighlightsThrough) {
    SetConfig("Cfg\\Options3\\Notifications", "Hilite_words", "alarm");
    SetWindowTabState(channel_, kTabNotifyOn, {.NoRefresh = true});
    Print(L"hi me");
    EXPECT_EQ(State(), kTabNotifyOn);
    Print(L"the alarm rings");
    EXPECT_EQ(State(), kTabMentioned);
    SetWindowTabState(channel_, kTabIdle, {.NoRefresh = true});
    Print(L"hi me", 1);
    EXPECT_EQ(State(), kTabIdle);
}

TEST_F(PrinterActivity, TheActiveWindowInFrontIsClearedInstead) {
    SetWindowTabState(channel_, kTabNewLines, {.NoRefresh = true});
    channel_->Window = host_;
    SetForegroundWindow(host_);
    Print(L"hi me");
    EXPECT_EQ(State(), kTabIdle);
}

TEST_F(PrinterActivity, TrayBalloonCollectsTheLinesWhileNotificationIsOn) {
    channel_->NotifyCount = 1;
    Print(L"\x02one\x02");
    PrintToWindow(kMessageLine, channel_, L"skipped", {.NoTray = true});
    Print(L"two");
    EXPECT_EQ(channel_->NoticeText, L"one\r\ntwo\r\n");
    channel_->NotifyCount = 0;
    Print(L"three");
    EXPECT_EQ(channel_->NoticeText, L"one\r\ntwo\r\n");
}

TEST_F(PrinterActivity, TickerGetsPlainTextUnlessNoticesAreSuppressed) {
    OpenTicker();
    Print(L"\x03"
          L"4red\x03 news\r\nsecond");
    ASSERT_EQ(g_tickerTexts.size(), 1u);
    EXPECT_EQ(g_tickerTexts[0], L"red news\r\nsecond");
    SetConfig("Cfg\\Options2", "TrayNotify_only_on_text", 1);
    Print(L"status line");
    EXPECT_EQ(g_tickerTexts.size(), 1u);
    Print(L"chat line", 0, 1);
    EXPECT_EQ(g_tickerTexts.size(), 2u);
    // A line that names the user is never suppressed.
    SetConfig("Cfg\\Options2", "TrayNotify_only_on_special", 1);
    Print(L"chat line", 0, 1);
    EXPECT_EQ(g_tickerTexts.size(), 2u);
    SetWindowTabState(channel_, kTabIdle, {.NoRefresh = true});
    Print(L"hey me", 0, 1);
    EXPECT_EQ(g_tickerTexts.size(), 3u);
}

TEST_F(PrinterActivity, PausedWindowShowsHeldLines) {
    channel_->Paused = 1;
    Print(L"while paused");
    EXPECT_EQ(State(), kTabHeldLines);
}

TEST_F(PrinterActivity, PluginOrPauseReturnLeavesTheFocusWhereItWas) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, host_, nullptr, nullptr,
                                nullptr);
    SetFocus(edit);
    channel_->Paused = 1;
    Print(L"held");
    EXPECT_EQ(GetFocus(), edit);
    channel_->Paused = 0;
    LoadTestPlugin();
    ServiceAnswers answers;
    answers.PluginResult = 1;
    InstallAnswers(answers);
    Print(L"consumed");
    EXPECT_EQ(GetFocus(), edit);
    DestroyWindow(edit);
}
