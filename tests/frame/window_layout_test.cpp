// What a new user met in the frame: the tab strip, arrangements, bars and popups.
#include "tests/frame/frame_harness.h"

#include "core/frame_handles.h"
#include "core/open_chat_window.h"
#include "core/window_record.h"
#include "irc_lines/channel_nicks.h"
#include "shell/chat_layout.h"
#include "shell/frame_window.h"
#include "tests/support/screenshots.h"
#include "ui/rebars.h"

#include <commctrl.h>

#include <thread>

namespace {

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

RECT ClientOf(HWND window) {
    RECT box{};
    GetClientRect(window, &box);
    return box;
}

void Command(HWND target, UINT id) {
    SendMessageW(target, WM_COMMAND, id, 0);
    Settle(200);
}

bool TabIsActiveWindow() {
    return ActiveChat() && SelectedTab() == TabIndexOf(ActiveChat());
}

// As the connection thread opens a window: through the frame, from another thread.
WindowRecord* OpenFromConnection(WindowRecord* server, uint32_t type, const char* name, bool keepFront) {
    WindowRecord* opened = nullptr;
    std::thread thread([&] { opened = OpenChatWindow(server, type, name, 0, keepFront); });
    Pump([&] { return opened != nullptr; });
    thread.join();
    Settle(200);
    return opened;
}

using WindowLayout = FrameTest;

TEST_F(WindowLayout, TheSelectedTabIsAlwaysTheActiveWindowsAndOneClickActivatesAny) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    ASSERT_EQ(channel, ActiveChat());
    EXPECT_TRUE(TabIsActiveWindow());

    // A private message opens a query and keeps the channel in front.
    WindowRecord* query = OpenFromConnection(server, kQueryWindow, "bob", true);
    ASSERT_NE(nullptr, query);
    EXPECT_EQ(channel, ActiveChat());
    EXPECT_TRUE(TabIsActiveWindow());
    // A join answered by the server opens the channel in front.
    WindowRecord* other = OpenFromConnection(server, kChannelWindow, "#other", false);
    ASSERT_NE(nullptr, other);
    EXPECT_TRUE(TabIsActiveWindow());

    // One click on each tab, the server's among them, activates its window; the strip keeps
    // every tab and goes on answering.
    for (int round = 0; round < 2; ++round)
        for (WindowRecord* record : {query, server, channel, other, server}) {
            ClickTab(TabIndexOf(record));
            EXPECT_EQ(record, ActiveChat()) << record->Name;
            EXPECT_EQ(TabIndexOf(record), SelectedTab()) << record->Name;
        }
    EXPECT_EQ(4, SendMessageW(WindowTabsControl.load(), TCM_GETITEMCOUNT, 0, 0));
    EXPECT_TRUE(IsWindowVisible(WindowTabsControl.load()));
}

TEST_F(WindowLayout, EveryArrangementKeepsEachWindowInsideTheClient) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    WindowRecord* query = OpenChat(kQueryWindow, server, "bob");
    HWND client = MdiClientWindow.load();
    for (UINT id : {781u, 783u, 784u, 785u}) {
        Command(frame_, id);
        for (WindowRecord* record : {server, channel, query}) {
            EXPECT_TRUE(Inside(RectInParent(record->Window), ClientOf(client))) << id << " " << record->Name;
            RECT input{};
            GetWindowRect(record->Input, &input);
            MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&input), 2);
            EXPECT_LE(input.bottom, ClientOf(client).bottom) << id << " the input box of " << record->Name;
        }
        if (id == 781) SaveScreenshot(frame_, ScreenshotFolder() + L"\\restore_all.png");
    }
}

TEST_F(WindowLayout, AWindowDockedAgainIsInsideTheClientWithItsMdiId) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    const LONG_PTR id = GetWindowLongPtrW(channel->Window, GWLP_ID);
    ASSERT_NE(0, id);
    Command(channel->Window, 523);
    ASSERT_TRUE(channel->Detached);
    SetWindowPos(channel->Window, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 SWP_NOZORDER);
    Command(channel->Window, 523);
    ASSERT_FALSE(channel->Detached);
    EXPECT_EQ(id, GetWindowLongPtrW(channel->Window, GWLP_ID));
    EXPECT_EQ(MdiClientWindow.load(), GetParent(channel->Window));
    EXPECT_TRUE(Inside(RectInParent(channel->Window), ClientOf(MdiClientWindow.load())));
}

TEST_F(WindowLayout, ANarrowWindowKeepsAUsableInputBox) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* query = OpenChat(kQueryWindow, server, "bob");
    SendMessageW(MdiClientWindow.load(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(query->Window), 0);
    SetWindowPos(query->Window, nullptr, 10, 10, 400, 300, SWP_NOZORDER);
    Settle();
    const RECT input = RectInParent(query->Input);
    EXPECT_GE(input.right - input.left, kMinimumInputWidth);
    // The bar gives way: it starts right of the input box, inside the window, and shows what fits.
    const RECT bar = RectInParent(query->ControlBar);
    EXPECT_LE(input.right, bar.left);
    EXPECT_LT(bar.left, ClientOf(query->Window).right);
    EXPECT_LE(input.bottom, ClientOf(query->Window).bottom);
    SaveScreenshot(frame_, ScreenshotFolder() + L"\\narrow_window.png");
}

TEST_F(WindowLayout, TheClientStartsRightBelowTheBarAtEveryFrameWidth) {
    OpenChat(kServerWindow, nullptr, "irc.test");
    // A narrow frame wraps the bar's bands into more rows; a wide one gives them back.
    ShowWindow(frame_, SW_RESTORE);
    for (int width : {600, 1000, 700}) {
        SetWindowPos(frame_, nullptr, 0, 0, width, 700, SWP_NOZORDER);
        Settle();
        const RECT bar = RectInParent(GetDlgItem(frame_, kMainRebarId));
        const RECT client = RectInParent(MdiClientWindow.load());
        EXPECT_EQ(bar.bottom, client.top) << width;
    }
    ShowWindow(frame_, SW_MAXIMIZE);
    Settle();
    EXPECT_EQ(RectInParent(GetDlgItem(frame_, kMainRebarId)).bottom,
              RectInParent(MdiClientWindow.load()).top);
}

TEST_F(WindowLayout, AHiddenNickListGivesItsWidthToTheView) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    const int full = ClientOf(channel->Window).right;
    const int shared = RectInParent(channel->View).right;
    ASSERT_LT(shared, full);
    Command(frame_, 780);
    EXPECT_FALSE(IsWindowVisible(channel->NickList));
    EXPECT_EQ(full, RectInParent(channel->View).right);
    Command(frame_, 780);
    EXPECT_TRUE(IsWindowVisible(channel->NickList));
    EXPECT_EQ(shared, RectInParent(channel->View).right);
}

bool HasItem(const std::vector<MenuItem>& items, UINT id) {
    for (const MenuItem& item : items)
        if (item.Id == id) return true;
    return false;
}

TEST_F(WindowLayout, GroupButtonsOpenTheirOwnGroupInEveryWindowType) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    OpenChat(kChannelWindow, server, "#chan");
    struct Case {
        UINT Button;
        UINT ItemInGroup;
        const wchar_t* Tip;
    };
    // Conversation (clear the window), Tools (find), More (nick list) and Nick (operator).
    for (const Case& c : {Case{60002, 980, L"Con&versation"}, Case{60013, 500, L"T&ools"},
                          Case{60017, 780, L"Mo&re"}, Case{60014, 103, L"&Nick"}}) {
        PopupWatcher watcher;
        PostMessageW(frame_, WM_COMMAND, c.Button, 0);
        EXPECT_TRUE(HasItem(watcher.Items(), c.ItemInGroup)) << c.Button;
        NMTTDISPINFOW tip{};
        tip.hdr.hwndFrom = frame_;
        tip.hdr.idFrom = c.Button;
        tip.hdr.code = TTN_GETDISPINFOW;
        SendMessageW(frame_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
        EXPECT_STREQ(c.Tip, tip.szText) << c.Button;
        Settle();
    }
}

TEST_F(WindowLayout, TheNickListPopupEndsWithAnItem) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    AddNickToList(channel, "@ann");
    AddNickToList(channel, "bob");
    Settle();
    RECT item{LVIR_BOUNDS};
    ASSERT_TRUE(SendMessageW(channel->NickList, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)));
    PopupWatcher watcher;
    const LPARAM at = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
    PostMessageW(channel->NickList, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(channel->NickList, WM_RBUTTONUP, 0, at);
    const std::vector<MenuItem> items = watcher.Items();
    ASSERT_FALSE(items.empty());
    EXPECT_FALSE(items.back().Separator);
}

} // namespace
