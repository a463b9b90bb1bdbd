// The popups of the views and the nick list opened with right-clicks, the nick actions they lead
// to, links' own menus, typing into the nick list, and the main menu per window type and docking.
#include "tests/frame/chat_session.h"

#include "commands/plugin_host.h"
#include "common/command_ids.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/window_record.h"
#include "irc_lines/channel_nicks.h"
#include "shell/chats/chat_window.h"
#include "shell/controls/current_popup.h"
#include "shell/chats/view_procs.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

namespace {

using Popups = FrameTest;

// A typed-command script that the view popups of channels and the nick-list popup offer.
void AddPopupScript() {
    XmlDocumentWriteLock lock(UserConfigDocument);
    XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Scripts", 1);
    if (XmlElementGetChildCount(scripts) > 0) return;
    XmlElement* script = XmlElementAddNewChild(
        scripts,
        "<s Trigger=\"/wave\" Trigger_Type=\"0\" Enabled=\"1\" Channel_Popup=\"1\" Nick_Popup=\"1\" />");
    XmlElementAddCData(script, "/raw PRIVMSG #chan :wave $1");
}

LPARAM PointOfCharacter(HWND view, LONG character) {
    POINTL at{};
    SendMessageW(view, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), character);
    return MAKELPARAM(at.x + 2, at.y + 4);
}

void RightClick(HWND window, LPARAM at) {
    PostMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(window, WM_RBUTTONUP, 0, at);
}

LPARAM PointOfNick(HWND list, const wchar_t* nick) {
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = nick;
    const int index = static_cast<int>(
        SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    RECT item{LVIR_LABEL};
    SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    return MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
}

TEST_F(Popups, RightClicksOpenThePopupsAndTheirItemsRunTheirScriptWithValues) {
    AddPopupScript();
    ChatSession session(3);
    ASSERT_TRUE(session.Ready());
    WindowRecord* channel = session.Channel;
    ActivateWindowRecord(channel);
    Settle();

    // The channel view's popup, pictured while it is open over the view.
    const std::wstring shot = ScreenshotFolder() + L"\\channel_view_popup.png";
    {
        PopupWatcher watcher(2000, [&](HWND menu) {
            WaitUntilDrawn(menu, 2000);
            SaveScreenshot(channel->Window, shot);
        });
        RightClick(channel->View, MAKELPARAM(20, 20));
        const std::vector<MenuItem> items = watcher.Items();
        ASSERT_EQ(1u, items.size()) << "no text selected: only the script's item";
        EXPECT_EQ(L"/wave", items[0].Text);
    }
    EXPECT_TRUE(session.ServerGot("PRIVMSG #chan :wave #chan"));
    EXPECT_TRUE(FileExists(shot));

    // The nick-list popup on a nick the server sent with a line break in it: the script gets the
    // nick as a value, and nothing it holds becomes a line or a command of its own.
    AddNickToList(channel, "eve\r\n/raw QUIT");
    Settle();
    SelectNicks(channel, {});
    {
        PopupWatcher watcher(2000);
        RightClick(channel->NickList, PointOfNick(channel->NickList, L"eve\r\n/raw QUIT"));
        const std::vector<MenuItem> items = watcher.Items();
        ASSERT_FALSE(items.empty());
        EXPECT_TRUE(items[0].Submenu) << "the user actions first";
        EXPECT_FALSE(items.back().Separator);
    }
    const std::vector<std::string> lines = session.LinesWithin(2000);
    bool waved = false;
    for (const std::string& line : lines) {
        waved = waved || line == "PRIVMSG #chan :wave eve/raw";
        EXPECT_EQ(std::string::npos, line.find("QUIT")) << line;
    }
    EXPECT_TRUE(waved);
}

TEST_F(Popups, AModeForManyNicksIsSplitAtTheServersModesLimit) {
    ChatSession session(2);
    ASSERT_TRUE(session.Ready());
    ActivateWindowRecord(session.Channel);
    Settle();
    SelectNicks(session.Channel, {L"@ann", L"bob", L"carol"});
    HoldShift(true);
    SendMessageW(frame_, WM_COMMAND, ID_NICK_OPERATOR, 0);
    HoldShift(false);
    // The first nick is an operator: the whole selection loses the mode, two nicks a line.
    EXPECT_TRUE(session.ServerGot("MODE #chan -oo ann bob"));
    EXPECT_TRUE(session.ServerGot("MODE #chan -o carol"));
}

TEST_F(Popups, ARightClickOnALinkIsTheLinksAndTypingInTheNickListGoesToTheInputBox) {
    AddPopupScript();
    ChatSession session(3);
    ASSERT_TRUE(session.Ready());
    WindowRecord* channel = session.Channel;
    ActivateWindowRecord(channel);
    SetWindowTextW(channel->View, L"");
    // The view's automatic URL detection marks the address (under Wine it also takes the mark off
    // the program's own links in a chat view, so a plain address stands for every link here).
    PrintToWindow(kInformationLine, channel, L"see https://example.org/page here");
    ASSERT_TRUE(Pump([&] { return GetWindowTextLengthW(channel->View) > 0; }));
    Settle();
    FINDTEXTEXW find{{0, -1}, L"example", {}};
    const LONG at = static_cast<LONG>(
        SendMessageW(channel->View, EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find)));
    ASSERT_GE(at, 0);
    {
        // The right-click belongs to the link: the view's popup (with the script's item) stays shut.
        PopupWatcher watcher(2000);
        RightClick(channel->View, PointOfCharacter(channel->View, at + 2));
        EXPECT_TRUE(watcher.Items(4000).empty());
    }
    for (const std::string& line : session.LinesWithin(500)) {
        EXPECT_EQ(std::string::npos, line.find("wave")) << line;
    }

    // An "app:" link in a view runs only the channel list's sorting, whatever number it names.
    for (const auto& [link, posted] :
         {std::pair{L"app:996", 0u}, std::pair{L"app:771", UINT{ID_CHANNEL_LIST_BY_NAME}}}) {
        SetWindowTextW(channel->View, L"");
        PrintToWindow(kInformationLine, channel, std::wstring(L"\x18{go|||") + link + L"}go\x18");
        ASSERT_TRUE(Pump([&] { return GetWindowTextLengthW(channel->View) > 0; }));
        ENLINK click{};
        click.nmhdr.hwndFrom = channel->View;
        click.nmhdr.code = EN_LINK;
        click.msg = WM_LBUTTONDOWN;
        FINDTEXTEXW marker{{0, -1}, L"_L_", {}};
        const LONG start = static_cast<LONG>(
            SendMessageW(channel->View, EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&marker)));
        ASSERT_GE(start, 0);
        click.chrg = {start, GetWindowTextLengthW(channel->View)};
        MSG stale{};
        while (PeekMessageW(&stale, channel->Window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        }
        OnViewLink(channel, &click.nmhdr);
        MSG command{};
        const bool any = PeekMessageW(&command, channel->Window, WM_COMMAND, WM_COMMAND, PM_REMOVE);
        EXPECT_EQ(posted, any ? LOWORD(command.wParam) : 0u) << WideToNarrow(link);
    }

    // A command item (8000-8099) of the current popup runs its command; one without "|||" does not.
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 8003, L"say|||/raw PRIVMSG #chan :said");
    AppendMenuW(menu, MF_STRING, 8004, L"nothing here");
    ReplaceCurrentPopup(menu, 2);
    SendMessageW(frame_, WM_COMMAND, ID_LINK_FIRST + 4, 0);
    ReplaceCurrentPopup(CreatePopupMenu(), 2);
    AppendMenuW(CurrentPopupMenu, MF_STRING, 8003, L"say|||/raw PRIVMSG #chan :said");
    SendMessageW(frame_, WM_COMMAND, ID_LINK_FIRST + 3, 0);
    EXPECT_TRUE(session.ServerGot("PRIVMSG #chan :said"));
    EXPECT_EQ(nullptr, CurrentPopupMenu);

    // Typing while the nick list has the focus types into the input box; Enter there puts the
    // selected nick into the box.
    SetWindowTextW(channel->Input, L"");
    SetFocus(channel->NickList);
    PostMessageW(channel->NickList, WM_CHAR, L'h', 1);
    PostMessageW(channel->NickList, WM_CHAR, L'i', 1);
    Settle();
    EXPECT_EQ(L"hi", InputText(channel));
    EXPECT_EQ(channel->Input, GetFocus());
    SelectNicks(channel, {L"bob"});
    SetFocus(channel->NickList);
    PostMessageW(channel->NickList, WM_KEYDOWN, VK_RETURN, 1);
    Settle();
    EXPECT_EQ(L"hibob ", InputText(channel));
}

std::vector<std::wstring> TopLevelCaptions(HMENU menu) {
    std::vector<std::wstring> captions;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[100] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 100, MF_BYPOSITION);
        captions.push_back(text);
    }
    return captions;
}

TEST_F(Popups, TheMainMenuFollowsTheWindowTypeAndADetachedWindowHasItsOwn) {
    HMENU pluginPopup = CreatePopupMenu();
    AppendMenuW(pluginPopup, MF_STRING, 30001, L"plug-in item");
    ASSERT_EQ(1u, AddPluginMenu(reinterpret_cast<uint64_t>(pluginPopup), "Plug-in"));
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    WindowRecord* query = OpenChat(kQueryWindow, server, "bob");
    const std::vector<std::wstring> channelMenu = {L"&Connect", L"Con&versation", L"C&hannel", L"&Log",
                                                   L"F&ormat",  L"&Window",       L"O&ptions", L"T&ools",
                                                   L"&Help",    L"Plug-in"};
    const std::vector<std::wstring> queryMenu = {L"&Connect", L"Con&versation", L"&User",    L"&Log",
                                                 L"F&ormat",  L"&Window",       L"O&ptions", L"T&ools",
                                                 L"&Help",    L"Plug-in"};
    const std::vector<std::wstring> serverMenu = {L"&Connect", L"&Server", L"C&hannel", L"&Log",   L"&Window",
                                                  L"O&ptions", L"T&ools",  L"&Help",    L"Plug-in"};
    ActivateWindowRecord(channel);
    Settle();
    EXPECT_EQ(channelMenu, TopLevelCaptions(GetMenu(frame_)));
    ActivateWindowRecord(query);
    Settle();
    EXPECT_EQ(queryMenu, TopLevelCaptions(GetMenu(frame_)));
    ActivateWindowRecord(server);
    Settle();
    EXPECT_EQ(serverMenu, TopLevelCaptions(GetMenu(frame_)));

    // Detached, the query carries a menu of its own for its type; docked again it has none.
    ActivateWindowRecord(query);
    Settle();
    SendMessageW(query->Window, WM_COMMAND, ID_WINDOW_DOCK, 0);
    Settle();
    ASSERT_TRUE(query->Detached);
    HMENU own = GetMenu(query->Window);
    EXPECT_EQ(queryMenu, TopLevelCaptions(own));
    SendMessageW(query->Window, WM_COMMAND, ID_WINDOW_DOCK, 0);
    Settle();
    EXPECT_FALSE(query->Detached);
    EXPECT_FALSE(IsMenu(own));
    ActivateWindowRecord(channel);
    Settle();
    EXPECT_EQ(channelMenu, TopLevelCaptions(GetMenu(frame_)));
    ErasePluginMenuItem(0);
}

} // namespace
