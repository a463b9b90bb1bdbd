#include "tests/shell/shell_test_support.h"

#include "common/app_state.h"
#include "shell/windows/active_window.h"
#include "core/frame_handles.h"
#include "shell/menus/main_menu.h"
#include "shell/windows/window_record_ops.h"
#include "shell/chats/window_removal.h"
#include "irc/remembered_user.h"

#include <commctrl.h>

namespace {

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcW(window, MdiClientWindow.load(), message, wParam, lParam);
}

class ActiveWindow : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        WNDCLASSW frameClass{};
        frameClass.lpfnWndProc = FrameProc;
        frameClass.lpszClassName = L"BrindlexShellTestFrame";
        RegisterClassW(&frameClass);
        WNDCLASSW childClass{};
        childClass.lpfnWndProc = DefMDIChildProcW;
        childClass.lpszClassName = L"BrindlexShellTestChild";
        RegisterClassW(&childClass);
        frame_ = CreateWindowExW(0, L"BrindlexShellTestFrame", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        CLIENTCREATESTRUCT client{nullptr, 1000};
        client_ = CreateWindowExW(0, L"MDICLIENT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, frame_,
                                  nullptr, nullptr, &client);
        MdiClientWindow = client_;
        MainWindow = frame_;
        SetForegroundWindow(frame_);
    }
    void TearDown() override {
        MdiClientWindow = nullptr;
        MainWindow = nullptr;
        ShellTest::TearDown();
        DestroyWindow(frame_);
    }
    HWND Child(WindowRecord* record) {
        HWND child =
            CreateMDIWindowW(L"BrindlexShellTestChild", L"child", 0, 0, 0, 200, 150, client_, nullptr, 0);
        SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
        record->Window = child;
        return child;
    }

    HWND frame_ = nullptr;
    HWND client_ = nullptr;
};

} // namespace

TEST_F(ActiveWindow, TheMdiClientsActiveChildIsTheActiveRecord) {
    WindowRecord* server = Add(kServerWindow, nullptr, "irc.one");
    WindowRecord* channel = Add(kChannelWindow, server, "#one");
    Child(server);
    HWND channelWindow = Child(channel);
    SendMessageW(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(channelWindow), 0);
    EXPECT_EQ(GetActiveWindowRecord(), channel);
    EXPECT_EQ(GetActiveWindowIndex(), 1u);
    EXPECT_TRUE(IsAppForeground());
    // A child whose record has left the list is no longer anyone's active window.
    EraseWindowRecord(channel);
    EXPECT_EQ(GetActiveWindowRecord(), nullptr);
}

TEST_F(ActiveWindow, DetachedWindowInFrontIsActive) {
    WindowRecord* query = Add(kQueryWindow, nullptr, "bob");
    query->Window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                    nullptr, nullptr);
    SetForegroundWindow(query->Window);
    EXPECT_EQ(GetActiveWindowRecord(), query);
    EXPECT_TRUE(IsAppForeground());
    DestroyWindow(query->Window);
}

// The frame's menu has a popup at every position; after the last window goes it shows only the
// positions of "no window" (0, 12 and 15).
TEST_F(ActiveWindow, RemovingTheLastRecordBringsBackTheStartPanel) {
    HWND panel =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 50, 50, frame_, nullptr, nullptr, nullptr);
    StartPanelWindow = panel;
    HWND bar = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 50, 10, frame_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(910)), nullptr, nullptr);
    HMENU menu = CreateMenu();
    for (int i = 0; i < 18; ++i)
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()),
                    std::to_wstring(i).c_str());
    SetMenu(frame_, menu);
    HWND mainWindow = MainWindow.exchange(frame_);
    WindowRecord* server = Add(kServerWindow, nullptr, "irc.one");
    WindowRecord* channel = Add(kChannelWindow, server, "#one");
    RemoveWindowRecord(channel);
    EXPECT_EQ(18, GetMenuItemCount(menu));
    EXPECT_FALSE(IsWindowVisible(panel));
    RemoveWindowRecord(server);
    RemoveWindowRecord(server);
    ASSERT_EQ(3, GetMenuItemCount(menu));
    for (int i = 0; i < 3; ++i) {
        wchar_t caption[8] = {};
        GetMenuStringW(menu, i, caption, 8, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(i == 0 ? L"0" : i == 1 ? L"12" : L"15"), caption);
    }
    EXPECT_TRUE(IsWindowVisible(panel));
    // A window again: every popup is back in its place before the new type's are taken out.
    UpdateMainMenu(kAllWindowTypes, frame_, kNoPluginMenuEntry);
    EXPECT_EQ(18, GetMenuItemCount(menu));
    MainWindow = mainWindow;
    StartPanelWindow = nullptr;
    SetMenu(frame_, nullptr);
    DestroyMenu(menu);
    DestroyWindow(bar);
}

TEST(WindowRecordOps, RememberedUsersPopupsAndButtons) {
    ServerConnection connection;
    WindowRecord server(nullptr, kServerWindow, nullptr);
    server.Connection = &connection;
    RememberedUser a, b, c;
    a.NickPattern = "Alice";
    b.NickPattern = "bob";
    c.NickPattern = "ALICE";
    connection.RememberedUsers.push_back(a);
    connection.RememberedUsers.push_back(b);
    connection.RememberedUsers.push_back(c);
    RemoveRememberedUser(&server, "alice");
    ASSERT_EQ(connection.RememberedUsers.size(), 2u);
    EXPECT_EQ(connection.RememberedUsers.front().NickPattern, "bob");
    WindowRecord channel(nullptr, kChannelWindow, &server);
    RemoveRememberedUser(&channel, "bob");
    EXPECT_EQ(connection.RememberedUsers.size(), 2u);

    channel.Popup =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND popup = channel.Popup;
    DestroyWindowRecordPopup(&channel);
    EXPECT_EQ(channel.Popup, nullptr);
    EXPECT_FALSE(IsWindow(popup));
    DestroyWindowRecordPopup(nullptr);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
    channel.Window =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND rebar = CreateWindowExW(0, REBARCLASSNAMEW, L"", WS_CHILD, 0, 0, 100, 30, channel.Window,
                                 reinterpret_cast<HMENU>(910), nullptr, nullptr);
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD, 0, 0, 100, 30, rebar,
                                   reinterpret_cast<HMENU>(911), nullptr, nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON button{};
    button.idCommand = 522;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_CHECK;
    button.iBitmap = I_IMAGENONE;
    SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    CheckChildToolbarButton(&channel, 522, true);
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 522, 0));
    CheckChildToolbarButton(&channel, 522, false);
    EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, 522, 0));
    DestroyWindow(channel.Window);
}
