// What a user sees of the menus: each toolbar arrow opens its own group of the main menu, whether
// the chat window is maximised (its system menu then stands first in the menu bar) or not; the
// switches show their state in the menu and on the toolbar; an empty ban list still opens its
// window.
#include "tests/frame/chat_session.h"

#include "common/command_ids.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "common/app_state.h"
#include "core/window_record.h"
#include "tests/recorders/call_log.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <memory>

namespace {

class MenuFeedback : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        session_ = std::make_unique<ChatSession>();
        ASSERT_TRUE(session_->Ready());
        CallLog::Instance().Clear();
    }
    void TearDown() override {
        session_.reset();
        FrameTest::TearDown();
    }
    std::unique_ptr<ChatSession> session_;
};

HWND Toolbar(HWND owner, int toolbarId) {
    return GetDlgItem(GetDlgItem(owner, 910), toolbarId);
}

// The arrow of the button clicked as the mouse clicks it; the items of the menu it opened.
std::vector<UINT> ArrowMenu(HWND toolbar, UINT button) {
    const LRESULT index = SendMessageW(toolbar, TB_COMMANDTOINDEX, button, 0);
    RECT box{};
    if (index < 0 || !SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&box))) return {};
    const LPARAM arrow = MAKELPARAM(box.right - 4, (box.top + box.bottom) / 2);
    PopupWatcher watcher;
    PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
    std::vector<UINT> ids;
    for (const MenuItem& item : watcher.Items()) ids.push_back(item.Id);
    PostMessageW(toolbar, WM_LBUTTONUP, 0, arrow);
    Settle(50);
    return ids;
}

// The items of the main menu's group at the position, as the language library lays it out.
std::vector<UINT> GroupItems(int position) {
    HMENU menu = LoadMenuW(LanguageModule.load(), L"MENU_MAIN");
    std::vector<UINT> ids;
    for (const MenuItem& item : ReadMenu(GetSubMenu(menu, position))) ids.push_back(item.Id);
    DestroyMenu(menu);
    return ids;
}

bool StartsWith(const std::vector<UINT>& items, const std::vector<UINT>& group) {
    return !group.empty() && items.size() >= group.size() &&
           std::equal(group.begin(), group.end(), items.begin());
}

TEST_F(MenuFeedback, EachToolbarArrowOpensItsOwnMenuGroupMaximisedOrNot) {
    struct Arrow {
        WindowRecord* Window;
        bool OnFrame;
        int ToolbarId;
        UINT Button;
        int Group;
    };
    const Arrow arrows[] = {
        {session_->Channel, false, 911, ID_FORMAT_BAR, 7},
        {session_->Channel, false, 911, ID_SAVE_TEXT, 6},
        {session_->Channel, false, 911, ID_USER_SEND_FILE, 16},
        {session_->Channel, false, 911, 60014, 14},
        {session_->Channel, false, 911, 60017, 17},
        {session_->Channel, true, 911, ID_CONNECT, 0},
        {session_->Channel, true, 911, 60012, 12},
        {session_->Channel, true, 913, 60002, 2},
        {session_->Channel, true, 919, 60013, 13},
        {session_->ServerWindow, true, 912, 60001, 1},
        {session_->ServerWindow, true, 912, 60003, 3},
        {session_->Query, true, 914, 60005, 5},
    };
    for (const bool maximised : {false, true}) {
        for (const Arrow& arrow : arrows) {
            ActivateWindowRecord(arrow.Window);
            SendMessageW(MdiClientWindow.load(), maximised ? WM_MDIMAXIMIZE : WM_MDIRESTORE,
                         reinterpret_cast<WPARAM>(arrow.Window->Window), 0);
            Settle(100);
            ASSERT_EQ(maximised, IsZoomed(arrow.Window->Window) != 0);
            HWND toolbar = Toolbar(arrow.OnFrame ? frame_ : arrow.Window->Window, arrow.ToolbarId);
            EXPECT_TRUE(StartsWith(ArrowMenu(toolbar, arrow.Button), GroupItems(arrow.Group)))
                << "button " << arrow.Button << " should open group " << arrow.Group
                << (maximised ? " (maximised)" : "");
        }
    }
    SendMessageW(MdiClientWindow.load(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(session_->Query->Window), 0);
}

TEST_F(MenuFeedback, SwitchesShowTheirStateAndAnEmptyBanListOpensItsWindow) {
    WindowRecord* channel = session_->Channel;
    ActivateWindowRecord(channel);
    Settle(100);
    HWND bar = Toolbar(channel->Window, 911);
    const UINT switches[] = {ID_WINDOW_PAUSE, ID_WINDOW_NOTIFY, ID_MULTI_LINE_INPUT, ID_FORMAT_BAR};
    // Each state as the group popups (Window, Conversation, Format) show it.
    auto menuChecks = [&](UINT group) {
        std::map<UINT, bool> checked;
        PopupWatcher watcher(0, [&](HWND popup) {
            HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            for (UINT id : switches)
                if (GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1))
                    checked[id] = (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
        });
        PostMessageW(frame_, WM_COMMAND, group, 0);
        watcher.Items();
        return checked;
    };
    for (const bool on : {true, false}) {
        for (UINT id : switches) SendMessageW(frame_, WM_COMMAND, id, 0);
        Settle(100);
        std::map<UINT, bool> shown = menuChecks(ID_POPUP_GROUP_FIRST + 11);
        shown.merge(menuChecks(ID_POPUP_GROUP_FIRST + 2));
        shown.merge(menuChecks(ID_POPUP_GROUP_FIRST + 7));
        for (UINT id : switches) {
            EXPECT_EQ(on, shown[id]) << "menu item " << id;
            EXPECT_EQ(on, SendMessageW(bar, TB_ISBUTTONCHECKED, id, 0) != 0) << "button " << id;
        }
    }

    // The list's closing line names its menu item even while a window whose menu lacks the
    // channel's group is in front (the list window that opened first).
    ActivateWindowRecord(session_->Query);
    Settle(100);
    wchar_t label[1000] = {};
    GetMenuLabel(ID_CHANNEL_EXCEPTION_LIST, MF_BYCOMMAND, label);
    EXPECT_STREQ(L"&Exception list", label);
    ActivateWindowRecord(channel);
    Settle(100);

    // The ban list asked for and empty: its window opens all the same.
    SendMessageW(frame_, WM_COMMAND, ID_CHANNEL_BAN_LIST, 0);
    ASSERT_TRUE(session_->ServerGot("MODE #chan +b"));
    session_->Send(":irc.test 368 " + session_->Nick() + " #chan :End of Channel Ban List\r\n");
    EXPECT_TRUE(Pump([] {
        for (const RecordedCall& call : CallLog::Instance().Calls("ProcessInputLine"))
            if (call.Text == "/fquery #chan_List") return true;
        return false;
    }));
}

} // namespace
