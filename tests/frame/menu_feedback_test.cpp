// What a user sees of the menus: each toolbar arrow opens its own group of the main menu, whether
// the chat window is maximised (its system menu then stands first in the menu bar) or not; the
// switches show their state in the menus and on the toolbar; an empty ban list opens its window.
#include "tests/frame/chat_session.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/window_record.h"
#include "tests/recorders/call_log.h"

#include <commctrl.h>

#include <map>

namespace {

using MenuFeedback = FrameTest;

HWND Toolbar(HWND owner, int toolbarId) {
    return GetDlgItem(GetDlgItem(owner, 910), toolbarId);
}

// The ids of a menu's items; with a toolbar, of the menu its button's arrow opens when clicked.
std::vector<UINT> Ids(const std::vector<MenuItem>& items) {
    std::vector<UINT> ids;
    for (const MenuItem& item : items) ids.push_back(item.Id);
    return ids;
}
std::vector<UINT> ArrowMenu(HWND toolbar, UINT button) {
    RECT box{};
    SendMessageW(toolbar, TB_GETITEMRECT, SendMessageW(toolbar, TB_COMMANDTOINDEX, button, 0),
                 reinterpret_cast<LPARAM>(&box));
    const LPARAM arrow = MAKELPARAM(box.right - 4, (box.top + box.bottom) / 2);
    PopupWatcher watcher;
    PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
    std::vector<UINT> ids = Ids(watcher.Items());
    PostMessageW(toolbar, WM_LBUTTONUP, 0, arrow);
    return ids;
}

TEST_F(MenuFeedback, EachToolbarArrowOpensItsOwnMenuGroupMaximisedOrNot) {
    ChatSession session;
    ASSERT_TRUE(session.Ready());
    WindowRecord *channel = session.Channel, *server = session.ServerWindow;
    struct Arrow {
        WindowRecord* Window;
        bool OnFrame;
        int ToolbarId;
        UINT Button;
        int Group;
    } const arrows[] = {
        {channel, false, 911, ID_FORMAT_BAR, 7},
        {channel, false, 911, ID_SAVE_TEXT, 6},
        {channel, false, 911, ID_USER_SEND_FILE, 16},
        {channel, false, 911, 60014, 14},
        {channel, false, 911, 60017, 17},
        {channel, true, 911, ID_CONNECT, 0},
        {channel, true, 911, 60012, 12},
        {channel, true, 913, 60002, 2},
        {channel, true, 919, 60013, 13},
        {server, true, 912, 60001, 1},
        {server, true, 912, 60003, 3},
        {session.Query, true, 914, 60005, 5},
    };
    HMENU whole = LoadMenuW(LanguageModule.load(), L"MENU_MAIN");
    for (const bool maximised : {false, true})
        for (const Arrow& arrow : arrows) {
            ActivateWindowRecord(arrow.Window);
            SendMessageW(MdiClientWindow.load(), maximised ? WM_MDIMAXIMIZE : WM_MDIRESTORE,
                         reinterpret_cast<WPARAM>(arrow.Window->Window), 0);
            Settle(100);
            const std::vector<UINT> group = Ids(ReadMenu(GetSubMenu(whole, arrow.Group)));
            std::vector<UINT> shown = ArrowMenu(
                Toolbar(arrow.OnFrame ? frame_ : arrow.Window->Window, arrow.ToolbarId), arrow.Button);
            shown.resize(std::min(shown.size(), group.size())); // the connect group lists the servers after
            EXPECT_EQ(group, shown) << "button " << arrow.Button << (maximised ? ", maximised" : "");
        }
    DestroyMenu(whole);
    SendMessageW(MdiClientWindow.load(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(session.Query->Window), 0);
}

TEST_F(MenuFeedback, SwitchesShowTheirStateAndAnEmptyBanListOpensItsWindow) {
    ChatSession session;
    ASSERT_TRUE(session.Ready());
    ActivateWindowRecord(session.Channel);
    const UINT switches[] = {ID_WINDOW_PAUSE, ID_WINDOW_NOTIFY, ID_MULTI_LINE_INPUT, ID_FORMAT_BAR};
    for (const bool on : {true, false}) {
        for (UINT id : switches) SendMessageW(frame_, WM_COMMAND, id, 0);
        // Each as the groups that hold them (Window, Conversation, Format) show it when opened.
        std::map<UINT, bool> checked;
        for (UINT group : {11, 2, 7}) {
            PopupWatcher watcher(0, [&](HWND popup) {
                HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
                for (UINT id : switches)
                    if (GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1))
                        checked[id] = (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
            });
            PostMessageW(frame_, WM_COMMAND, ID_POPUP_GROUP_FIRST + group, 0);
            watcher.Items();
        }
        for (UINT id : switches) {
            EXPECT_EQ(on, checked[id]) << "menu item " << id;
            EXPECT_EQ(on, SendMessageW(Toolbar(session.Channel->Window, 911), TB_ISBUTTONCHECKED, id, 0) != 0)
                << "button " << id;
        }
    }

    // The list's closing line names its item while a window whose menu lacks the channel's group
    // (the list window that opened first) is in front.
    ActivateWindowRecord(session.Query);
    wchar_t label[1000] = {};
    GetMenuLabel(ID_CHANNEL_EXCEPTION_LIST, MF_BYCOMMAND, label);
    EXPECT_STREQ(L"&Exception list", label);

    // The ban list asked for and empty: its window opens all the same.
    ActivateWindowRecord(session.Channel);
    CallLog::Instance().Clear();
    SendMessageW(frame_, WM_COMMAND, ID_CHANNEL_BAN_LIST, 0);
    ASSERT_TRUE(session.ServerGot("MODE #chan +b"));
    session.Send(":irc.test 368 " + session.Nick() + " #chan :End of Channel Ban List\r\n");
    EXPECT_TRUE(Pump([] {
        for (const RecordedCall& call : CallLog::Instance().Calls("ProcessInputLine"))
            if (call.Text == "/fquery #chan_List") return true;
        return false;
    }));
}

} // namespace
