#include "tests/shell/shell_test_support.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "shell/windows/active_window.h"
#include "core/frame_handles.h"
#include "shell/windows/window_tabs.h"
#include "shell/windows/window_titles.h"

#include <commctrl.h>

#include <algorithm>

namespace {

class WindowTabs : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
        tabs_ = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_POPUP, 0, 0, 400, 30, nullptr, nullptr, nullptr,
                                nullptr);
        WindowTabsControl = tabs_;
        server_ = Add(kServerWindow, nullptr, "irc.one");
        channel_ = Add(kChannelWindow, server_, "#one");
        query_ = Add(kQueryWindow, server_, "bob");
        RebuildWindowTabs();
    }
    void TearDown() override {
        WindowTabsControl = nullptr;
        DestroyWindow(tabs_);
        ShellTest::TearDown();
    }
    std::vector<std::wstring> TabTexts() {
        std::vector<std::wstring> texts;
        int count = static_cast<int>(SendMessageW(tabs_, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[100] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 100;
            SendMessageW(tabs_, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
            texts.push_back(text);
        }
        return texts;
    }
    bool Pressed(int index) {
        TCITEMW item{};
        item.mask = TCIF_STATE;
        item.dwStateMask = TCIS_BUTTONPRESSED;
        SendMessageW(tabs_, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
        return (item.dwState & TCIS_BUTTONPRESSED) != 0;
    }

    HWND tabs_ = nullptr;
    WindowRecord* server_ = nullptr;
    WindowRecord* channel_ = nullptr;
    WindowRecord* query_ = nullptr;
};

} // namespace

TEST_F(WindowTabs, OneTabPerRecordInListOrder) {
    EXPECT_EQ(TabTexts(), (std::vector<std::wstring>{L"irc.one", L"#one", L"bob"}));
    EXPECT_EQ(GetWindowTabState(channel_), kTabIdle);
    WindowRecord stranger(nullptr, kQueryWindow, nullptr);
    EXPECT_EQ(GetWindowTabState(&stranger), kNoTabState);
    query_->Name = "robert";
    SetWindowTabCaption(query_);
    EXPECT_EQ(TabTexts()[2], L"robert");
}

// A tab says what its window is: a DCC chat is never taken for the query with its nick or for an
// earlier chat with the same nick, and a channel list window is no "server_List".
TEST_F(WindowTabs, ChatsWithOneNickAndTheListWindowHaveTabsOfTheirOwn) {
    Add(kDccChatWindow, server_, "bob");
    Add(kDccChatWindow, server_, "BOB");
    WindowRecord* list = Add(kQueryWindow, server_, "irc.one_List");
    RebuildWindowTabs();
    auto sorted = [](std::vector<std::wstring> texts) {
        std::sort(texts.begin(), texts.end());
        return texts;
    };
    EXPECT_EQ(sorted(TabTexts()),
              sorted({L"irc.one", L"#one", L"bob", L"bob (DCC chat)", L"BOB (DCC chat 2)", L"irc.one list"}));
    list->ChannelListRows.Add({"#a", "", "", 3});
    SetWindowTabCaption(list);
    EXPECT_EQ(WindowDisplayName(list), L"irc.one channels");
    EXPECT_EQ(ChannelListTitle(123, 12), L"Channel list - 12 of 123 channels");
}

TEST_F(WindowTabs, OpeningAWindowKeepsTheOtherTabsMarks) {
    SetWindowTabState(channel_, kTabMentioned, {.NoRefresh = true});
    SetWindowTabState(query_, kTabPaused, {.NoRefresh = true});
    Add(kChannelWindow, server_, "#two");
    RebuildWindowTabs();
    EXPECT_EQ(TabTexts(), (std::vector<std::wstring>{L"irc.one", L"#one", L"#two", L"bob"}));
    EXPECT_EQ(GetWindowTabState(channel_), kTabMentioned);
    EXPECT_EQ(GetWindowTabState(query_), kTabPaused);
    EXPECT_EQ(GetWindowTabState(records_.back().get()), kTabIdle);
}

TEST_F(WindowTabs, SelectingATabKeepsStatesFromThreeOn) {
    SetWindowTabState(channel_, kTabMentioned, {.NoRefresh = true});
    SetWindowTabState(query_, kTabPaused, {.NoRefresh = true});
    SelectWindowTab(channel_, kTabIdle);
    EXPECT_EQ(GetWindowTabState(channel_), kTabIdle);
    EXPECT_TRUE(Pressed(1));
    EXPECT_FALSE(Pressed(0));
    SelectWindowTab(query_, kTabIdle);
    EXPECT_EQ(GetWindowTabState(query_), kTabPaused);
    EXPECT_TRUE(Pressed(2));
    EXPECT_FALSE(Pressed(1));
    SelectWindowTab(nullptr, kNoTabState);
    EXPECT_FALSE(Pressed(2));
}

TEST_F(WindowTabs, FrameTitleMarksWindowsWithNewsWhileInTheBackground) {
    HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 20, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    MainWindow = frame;
    SetForegroundWindow(other);
    ASSERT_EQ(GetForegroundWindow(), other);
    ASSERT_FALSE(IsAppForeground());
    SetWindowTabState(channel_, kTabNewLines);
    wchar_t title[64] = {};
    GetWindowTextW(frame, title, 64);
    EXPECT_STREQ(title, L"[- + -]");
    SetForegroundWindow(frame);
    UpdateFrameTitle();
    GetWindowTextW(frame, title, 64);
    EXPECT_STREQ(title, kProgramTitle);
    MainWindow = nullptr;
    DestroyWindow(frame);
    DestroyWindow(other);
}

TEST_F(WindowTabs, WindowTitlesShowNickOrModes) {
    ServerConnection connection;
    connection.OwnNick = "me";
    server_->Connection = &connection;
    server_->Window =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    channel_->Window =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    wchar_t title[100] = {};
    UpdateWindowTitle(server_);
    GetWindowTextW(server_->Window, title, 100);
    EXPECT_STREQ(title, L"irc.one - me");
    channel_->Modes = "+nt  ";
    UpdateWindowTitle(channel_);
    GetWindowTextW(channel_->Window, title, 100);
    EXPECT_STREQ(title, L"#one (+nt) - ");
    EXPECT_EQ(channel_->Modes, "+nt");
    channel_->Modes = "   ";
    UpdateWindowTitle(channel_);
    GetWindowTextW(channel_->Window, title, 100);
    EXPECT_STREQ(title, L"#one");
    DestroyWindow(server_->Window);
    DestroyWindow(channel_->Window);
}
