// What a new user met in the frame: the tab strip, arrangements, bars and popups.
#include "tests/frame/frame_harness.h"

#include "common/command_ids.h"
#include "common/data_folders.h"
#include "common/window_helpers.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/open_chat_window.h"
#include "core/window_record.h"
#include "irc_lines/channel_nicks.h"
#include "shell/preferences/apply_settings.h"
#include "shell/controls/chat_layout.h"
#include "shell/frame/frame_window.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"
#include "ui/rebars.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlobj.h>
#include <richedit.h>
#include <richole.h>

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <thread>
#include <vector>

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

// The format of the first character of the text in a Rich Edit view.
CHARFORMAT2W FormatOf(HWND view, const std::wstring& text) {
    FINDTEXTEXW find{};
    find.chrg = {0, -1};
    find.lpstrText = text.c_str();
    const LRESULT at = SendMessageW(view, EM_FINDTEXTEXW, 1 /* down */, reinterpret_cast<LPARAM>(&find));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    EXPECT_GE(at, 0) << "no such text";
    CHARRANGE one{static_cast<LONG>(at), static_cast<LONG>(at) + 1};
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
    SendMessageW(view, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

using WindowLayout = FrameTest;

TEST_F(WindowLayout, TheSelectedTabIsAlwaysTheActiveWindowsAndOneClickActivatesAny) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    ASSERT_EQ(channel, ActiveChat());
    EXPECT_TRUE(TabIsActiveWindow());

    // A private message opens a query and keeps the channel in front, keys going on into its
    // input box.
    const HWND typing = GetFocus();
    EXPECT_EQ(channel->Input, typing);
    WindowRecord* query = OpenFromConnection(server, kQueryWindow, "bob", true);
    ASSERT_NE(nullptr, query);
    EXPECT_EQ(channel, ActiveChat());
    EXPECT_TRUE(TabIsActiveWindow());
    EXPECT_EQ(typing, GetFocus());
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
    for (UINT id :
         {ID_WINDOWS_RESTORE, ID_WINDOWS_CASCADE, ID_WINDOWS_TILE_HORIZONTALLY, ID_WINDOWS_TILE_VERTICALLY}) {
        Command(frame_, id);
        for (WindowRecord* record : {server, channel, query}) {
            EXPECT_TRUE(Inside(RectInParent(record->Window), ClientOf(client))) << id << " " << record->Name;
            RECT input{};
            GetWindowRect(record->Input, &input);
            MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&input), 2);
            EXPECT_LE(input.bottom, ClientOf(client).bottom) << id << " the input box of " << record->Name;
        }
        if (id == ID_WINDOWS_RESTORE) SaveScreenshot(frame_, ScreenshotFolder() + L"\\restore_all.png");
    }
}

// Cascade offsets each window from the one before by the same step; tiling horizontally stacks
// full-width windows, vertically sets full-height ones side by side; the client starts right below
// the bar, so the arrangements start at its top and leave no band empty.
TEST_F(WindowLayout, CascadeAndTileMoveTheWindowsAsEachCommandSays) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    std::vector<HWND> windows{server->Window, OpenChat(kChannelWindow, server, "#chan")->Window,
                              OpenChat(kQueryWindow, server, "bob")->Window};
    HWND client = MdiClientWindow.load();
    const RECT area = ClientOf(client);
    const auto rects = [&](bool byTop) {
        std::vector<RECT> all;
        for (HWND window : windows) all.push_back(RectInParent(window));
        std::sort(all.begin(), all.end(),
                  [byTop](const RECT& a, const RECT& b) { return byTop ? a.top < b.top : a.left < b.left; });
        return all;
    };
    for (HWND window : windows) SetWindowPos(window, nullptr, 5, 60, 200, 150, SWP_NOZORDER);

    Command(frame_, ID_WINDOWS_CASCADE);
    std::vector<RECT> cascade = rects(false);
    const LONG dx = cascade[1].left - cascade[0].left, dy = cascade[1].top - cascade[0].top;
    EXPECT_GT(dx, 0);
    EXPECT_GT(dy, 0);
    EXPECT_LE(std::abs(cascade[2].left - cascade[1].left - dx), 1);
    EXPECT_LE(std::abs(cascade[2].top - cascade[1].top - dy), 1);
    EXPECT_EQ(cascade[0].top, 0);

    Command(frame_, ID_WINDOWS_TILE_HORIZONTALLY);
    std::vector<RECT> stacked = rects(true);
    EXPECT_EQ(stacked[0].top, 0);
    for (size_t i = 0; i < stacked.size(); ++i) {
        EXPECT_EQ(stacked[i].left, 0) << i;
        EXPECT_EQ(stacked[i].right, area.right) << i;
        if (i) {
            EXPECT_LE(std::abs(stacked[i].top - stacked[i - 1].bottom), 1) << i;
        }
    }
    EXPECT_LE(std::abs(stacked.back().bottom - area.bottom), 2);

    Command(frame_, ID_WINDOWS_TILE_VERTICALLY);
    std::vector<RECT> side = rects(false);
    for (size_t i = 0; i < side.size(); ++i) {
        EXPECT_EQ(side[i].top, 0) << i;
        EXPECT_LE(std::abs(side[i].bottom - area.bottom), 2) << i;
        if (i) {
            EXPECT_LE(std::abs(side[i].left - side[i - 1].right), 1) << i;
        }
    }
    EXPECT_EQ(side[0].left, 0);
    EXPECT_LE(std::abs(side.back().right - area.right), 2);
}

// A chat font chosen in the settings is used for the next line at once; the lines shown before
// keep their face and their bold.
TEST_F(WindowLayout, AChosenChatFontReachesNewLinesAndOldLinesKeepTheirLook) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#fonts");
    PrintToWindow(kMessageLine, channel,
                  L"\x02"
                  L"boldold\x02 plainold");
    Settle(50);
    const CHARFORMAT2W before = FormatOf(channel->View, L"boldold");
    LOGFONTW chosen{};
    chosen.lfHeight = -24;
    wcscpy(chosen.lfFaceName, L"Courier New");
    XmlWriteProfileBinary("Cfg\\Fonts", "View_Font", &chosen, sizeof chosen, nullptr, UserConfigDocument);
    FontsChanged = 1;
    ApplySettings();
    FontsChanged = 0;
    PrintToWindow(kMessageLine, channel,
                  L"\x02"
                  L"boldnew\x02 plainnew");
    Settle(50);
    const CHARFORMAT2W old = FormatOf(channel->View, L"boldold");
    EXPECT_STREQ(old.szFaceName, before.szFaceName);
    EXPECT_TRUE(old.dwEffects & CFE_BOLD);
    EXPECT_FALSE(FormatOf(channel->View, L"plainold").dwEffects & CFE_BOLD);
    for (const wchar_t* fresh : {L"boldnew", L"plainnew"}) {
        const CHARFORMAT2W look = FormatOf(channel->View, fresh);
        EXPECT_STREQ(look.szFaceName, L"Courier New");
        EXPECT_GT(look.yHeight, before.yHeight);
    }
    EXPECT_TRUE(FormatOf(channel->View, L"boldnew").dwEffects & CFE_BOLD);
    // Emptied, the view goes on with the chosen font.
    SetWindowTextW(channel->View, L"");
    PrintToWindow(kMessageLine, channel, L"after clearing");
    Settle(50);
    EXPECT_STREQ(FormatOf(channel->View, L"after clearing").szFaceName, L"Courier New");
    XmlWriteProfileString("Cfg\\Fonts", "View_Font", nullptr, nullptr, UserConfigDocument);
    FontsChanged = 1;
    ApplySettings();
    FontsChanged = 0;
}

// A picture pasted with Ctrl+V or Ctrl+F7 into a query becomes a PNG file offered to the partner
// in the send dialog; files dropped between the chat windows are offered to the active window's
// partner.
TEST_F(WindowLayout, APastedPictureAndFilesDroppedOnTheClientAreOffered) {
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartupInput startup;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&gdiplus, &startup, nullptr), Gdiplus::Ok);
    WindowRecord* query = OpenChat(kQueryWindow, OpenChat(kServerWindow, nullptr, "irc.test"), "bob");
    const auto offered = [](std::function<void()> act) {
        DialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDCANCEL); });
        act();
        return watcher.Texts();
    };
    const auto holdControl = [](bool held) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = held ? 0x80 : 0;
        SetKeyboardState(keys);
    };
    const auto copyPicture = [this] {
        HDC screen = GetDC(nullptr);
        HBITMAP picture = CreateCompatibleBitmap(screen, 40, 30);
        ReleaseDC(nullptr, screen);
        ASSERT_TRUE(OpenClipboard(frame_));
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, picture);
        CloseClipboard();
    };
    for (const WPARAM key : {WPARAM{'V'}, WPARAM{VK_F7}}) {
        copyPicture();
        holdControl(true);
        const std::wstring texts = offered([&] { SendMessageW(query->Input, WM_KEYDOWN, key, 0); });
        holdControl(false);
        EXPECT_NE(texts.find(L"bob"), std::wstring::npos) << texts;
        const size_t start = texts.find(TempFolder), end = texts.find(L".png");
        ASSERT_TRUE(start != std::wstring::npos && end != std::wstring::npos) << texts;
        EXPECT_EQ(ReadFileBytes(texts.substr(start, end + 4 - start)).substr(0, 4), "\x89PNG");
    }
    // A picture that cannot be saved is said in the window; no dialog opens (the key returns).
    const std::wstring temp = TempFolder;
    TempFolder = temp + L"\\missing";
    copyPicture();
    holdControl(true);
    {
        DialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDCANCEL); });
        SendMessageW(query->Input, WM_KEYDOWN, 'V', 0);
        EXPECT_EQ(watcher.Texts(0), L"");
    }
    holdControl(false);
    TempFolder = temp;
    EXPECT_NE(GetWindowTextString(query->View).find(L"The pasted picture is not offered"),
              std::wstring::npos);
    Gdiplus::GdiplusShutdown(gdiplus);

    HWND client = MdiClientWindow.load();
    EXPECT_TRUE(GetWindowLongPtrW(client, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    const std::wstring file = TempFolder + L"\\dropped.txt";
    ASSERT_TRUE(WriteFileBytes(file, "dropped"));
    ActivateWindowRecord(query);
    const std::wstring texts = offered([&] {
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (file.size() + 2) * sizeof(wchar_t));
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        file.copy(reinterpret_cast<wchar_t*>(drop + 1), file.size());
        GlobalUnlock(memory);
        SendMessageW(client, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    });
    EXPECT_NE(texts.find(L"bob"), std::wstring::npos) << texts;
    EXPECT_NE(texts.find(file), std::wstring::npos) << texts;
}

// A smiley chosen from the menu shows in the input box as its picture, not as its codes; what is
// sent, and what Up brings back, is its markup.
TEST_F(WindowLayout, ASmileyInTheInputBoxIsAPictureAndIsSentAsItsMarkup) {
    WindowRecord* channel = OpenChat(kChannelWindow, OpenChat(kServerWindow, nullptr, "irc.test"), "#smile");
    ActivateWindowRecord(channel);
    const auto pictures = [&] {
        IRichEditOle* ole = nullptr;
        SendMessageW(channel->Input, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
        if (!ole) return LONG{-1};
        const LONG count = ole->GetObjectCount();
        ole->Release();
        return count;
    };
    SetWindowTextW(channel->Input, L"look ");
    SendMessageW(channel->Input, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    Command(frame_, 47102);
    EXPECT_EQ(pictures(), 1);
    EXPECT_EQ(InputText(channel).find(L'\x12'), std::wstring::npos) << "the codes are not shown";
    SendMessageW(channel->Input, WM_CHAR, L'\r', 0);
    // The line submitted, as the history keeps it.
    ASSERT_FALSE(channel->InputHistory.empty());
    EXPECT_EQ(channel->InputHistory.back(), L"look \x12\x1e"
                                            L"101\x12 ");
    EXPECT_EQ(InputText(channel), L"");
    SendMessageW(channel->Input, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(pictures(), 1) << "the recalled line shows the picture again";
}

TEST_F(WindowLayout, AWindowDockedAgainIsInsideTheClientWithItsMdiId) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    const LONG_PTR id = GetWindowLongPtrW(channel->Window, GWLP_ID);
    ASSERT_NE(0, id);
    Command(channel->Window, ID_WINDOW_DOCK);
    ASSERT_TRUE(channel->Detached);
    SetWindowPos(channel->Window, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 SWP_NOZORDER);
    Command(channel->Window, ID_WINDOW_DOCK);
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
    Command(frame_, ID_NICK_LIST_SHOW);
    EXPECT_FALSE(IsWindowVisible(channel->NickList));
    EXPECT_EQ(full, RectInParent(channel->View).right);
    Command(frame_, ID_NICK_LIST_SHOW);
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
    for (const Case& c : {Case{ID_POPUP_GROUP_FIRST + 2, ID_CLEAR_WINDOW, L"Con&versation"},
                          Case{ID_POPUP_GROUP_FIRST + 13, ID_FIND, L"T&ools"},
                          Case{ID_POPUP_GROUP_FIRST + 17, ID_NICK_LIST_SHOW, L"Mo&re"},
                          Case{ID_POPUP_GROUP_FIRST + 14, ID_NICK_OPERATOR, L"&Nick"}}) {
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
