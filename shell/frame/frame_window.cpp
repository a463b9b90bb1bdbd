#include "shell/frame/frame_window.h"

#include "common/command_ids.h"
#include "peer/dcc_send_dialog.h"
#include "commands/command_interpreter.h"
#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/frame_messages.h"
#include "common/window_helpers.h"
#include "common/xstring.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "peer/embedded_objects.h"
#include "media/speech.h"
#include "media/voice_chat.h"
#include "script/foreign_scripts.h"
#include "script/script_timers.h"
#include "shell/windows/active_window.h"
#include "shell/controls/chat_layout.h"
#include "core/applied_settings.h"
#include "shell/chats/chat_window.h"
#include "core/settings.h"
#include "core/user_lists.h"
#include "core/frame_handles.h"
#include "core/frame_message_ids.h"
#include "core/open_chat_window.h"
#include "shell/frame/frame_worker_messages.h"
#include "shell/frame/front_after_storm.h"
#include "shell/frame/window_request_slices.h"
#include "shell/menus/main_menu.h"
#include "shell/menus/menu_command_table.h"
#include "shell/menus/menu_commands.h"
#include "shell/windows/start_panel.h"
#include "core/resource_library.h"
#include "core/window_list.h"
#include "shell/windows/window_operations.h"
#include "core/window_record.h"
#include "shell/windows/window_record_ops.h"
#include "shell/windows/window_tabs.h"
#include "shell/windows/tray_removal.h"
#include "shell/windows/window_titles.h"
#include "shell/frame/frame_ribbon.h"
#include "shell/preferences/light_sensor.h"
#include "ui/rebars.h"
#include "ui/ribbon.h"
#include "views/gradient_fill.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <algorithm>

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <optional>

std::atomic<uint8_t> NonEnglishLanguage{0};
std::atomic<HWND> MainBarWindow{nullptr};

namespace {

// Lives from WM_CREATE to WM_CLOSE in the frame's user data; its presence tells that the frame's
// children exist.
struct FrameData {
    HWND MainBar = nullptr;
    HWND Tabs = nullptr;
};

UINT FindReplaceMessage() {
    static const UINT id = RegisterWindowMessageW(FINDMSGSTRINGW);
    return id;
}

FrameData* DataOf(HWND frame) {
    return reinterpret_cast<FrameData*>(GetWindowLongPtrW(frame, GWLP_USERDATA));
}

LRESULT DefaultFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcW(window, MdiClientWindow.load(), message, wParam, lParam);
}

void Place(HWND control, HWND after, const RECT& box, UINT flags) {
    if (control) SetWindowPos(control, after, box.left, box.top, box.right, box.bottom, flags);
}

// The bar's height at this width: its rows of bands and its border. The bar wraps its bands
// into more rows in a narrow frame, so this is measured after it took the frame's width.
int MainBarHeight(HWND bar, int width) {
    RECT outer{};
    GetWindowRect(bar, &outer);
    SetWindowPos(bar, nullptr, 0, 0, width, outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return RebarHeight(bar);
}

// The client's height above the ticker's strip. A window manager that knows nothing of the work
// area the strip takes keeps a maximised frame over the whole screen, and the strip, which stays
// on top, would hide the tab strip and the input boxes at the bottom.
int HeightAboveTicker(HWND frame, int height) {
    HWND ticker = TickerWindow.load();
    if (!ticker || !IsWindowVisible(ticker)) return height;
    RECT strip{};
    GetWindowRect(ticker, &strip);
    POINT top{strip.left, strip.top};
    ScreenToClient(frame, &top);
    RECT client{};
    GetClientRect(frame, &client);
    MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const bool across = strip.left < client.right && strip.right > client.left;
    return across && top.y > 0 && top.y < height ? top.y : height;
}

void LayoutFrame(HWND frame, FrameData* data) {
    RECT client{};
    GetClientRect(frame, &client);
    const int width = client.right, height = HeightAboveTicker(frame, client.bottom);
    HWND tabs = data->Tabs;
    int tabHeight = MeasureLineHeight(tabs, nullptr);
    const int rows = tabs ? static_cast<int>(SendMessageW(tabs, TCM_GETROWCOUNT, 0, 0)) : 1;
    if (rows > 1) tabHeight *= rows;
    const bool showBar = Settings::ShowMainToolbar();
    // The MDI client starts right below the bar, whatever height its rows of bands take now.
    if (showBar && data->MainBar) TopOffset = MainBarHeight(data->MainBar, width);
    const int top = showBar ? TopOffset.load() : 0;
    if (!showBar && data->MainBar) ShowWindow(data->MainBar, SW_HIDE);
    HWND mdi = MdiClientWindow.load();
    const bool empty = WindowListSnapshot().empty();
    if (empty) {
        if (showBar) Place(data->MainBar, nullptr, RECT{0, 0, width, top}, SWP_NOZORDER | SWP_SHOWWINDOW);
        Place(StartPanelWindow.load(), nullptr, RECT{0, top, width, height - top},
              SWP_NOZORDER | SWP_SHOWWINDOW);
        if (mdi) ShowWindow(mdi, SW_HIDE);
        if (tabs) ShowWindow(tabs, SW_HIDE);
        return;
    }
    if (HWND panel = StartPanelWindow.load()) ShowWindow(panel, SW_HIDE);
    if (showBar) Place(data->MainBar, nullptr, RECT{0, 0, width, top}, SWP_NOZORDER | SWP_SHOWWINDOW);
    const FrameLayout layout = ComputeFrameLayout(width, height, top, tabHeight, Settings::TabPosition());
    Place(mdi, HWND_BOTTOM, layout.Client, SWP_SHOWWINDOW);
    Place(tabs, HWND_BOTTOM, layout.Tabs, SWP_SHOWWINDOW);
}

HWND CreateTabStrip(HWND frame) {
    const DWORD style = Settings::MultilineTabs() ? 0x5080C348 : 0x5080C148;
    HWND tabs = CreateWindowExW(WS_EX_WINDOWEDGE, WC_TABCONTROLW, L"", style, 0, 0, 70, 70, frame,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kWindowTabsId)),
                                GetModuleHandleW(nullptr), nullptr);
    if (ConfiguredFonts.size() > kTabFont)
        SendMessageW(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(ConfiguredFonts[kTabFont]), TRUE);
    if (TabImageList) SendMessageW(tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(TabImageList));
    return tabs;
}

LRESULT OnCreate(HWND frame) {
    auto* data = new FrameData;
    SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
    MainWindow = frame;
    data->Tabs = CreateTabStrip(frame);
    WindowTabsControl = data->Tabs;
    // The ribbon where the system and the settings have it; otherwise, or when it cannot be
    // shown, the menu and the rebar.
    if (!shell::CreateFrameRibbon(frame)) {
        data->MainBar = CreateMainRebar(frame);
        MainBarWindow = data->MainBar;
    }
    if (Settings::ShowStartPanel()) OpenStartPanel(frame);
    UpdateMainMenu(0, frame, kNoPluginMenuEntry);
    SetFloodDelay(frame, static_cast<uint32_t>(Settings::FloodDelayMs()));
    SetTimer(frame, ISON_TIMER_ID, static_cast<UINT>(Settings::IsonTimer()), nullptr);
    return 1;
}

void OnClose(HWND frame) {
    // Out of sight first: each window closed would otherwise repaint the ones it uncovers, which
    // with hundreds of windows made closing take minutes.
    ShowWindow(frame, SW_HIDE);
    // The tray icon goes meanwhile.
    shell::BeginTrayIconRemoval();
    // The tabs go at once rather than one search of the strip for each, and the windows with the
    // MDI client at the end.
    if (HWND tabs = WindowTabsControl.load()) SendMessageW(tabs, TCM_DELETEALLITEMS, 0, 0);
    ClosingEveryChatWindow closingEvery;
    // The newest window first; a server window takes its channels with it, so the index steps
    // down past every record that is gone.
    uint32_t index = static_cast<uint32_t>(WindowListSnapshot().size());
    while (index > 0) {
        --index;
        if (WindowRecord* record = GetWindowRecordAt(index)) SendMessageW(record->Window, WM_CLOSE, 0, 0);
        const uint32_t remaining = static_cast<uint32_t>(WindowListSnapshot().size());
        if (index > remaining) index = remaining;
    }
    FrameData* data = DataOf(frame);
    SetWindowLongPtrW(frame, GWLP_USERDATA, 0);
    if (HWND panel = StartPanelWindow.exchange(nullptr)) DestroyWindow(panel);
    delete data;
    if (HWND client = MdiClientWindow.load()) SendMessageW(client, WM_CLOSE, 0, 0);
    DestroyWindow(frame);
}

void OnActivate(HWND frame, WPARAM wParam, LPARAM lParam) {
    WindowRecord* active = shell::GetActiveWindowRecord();
    if (LOWORD(wParam) == WA_INACTIVE) {
        if (!shell::IsAppForeground()) DestroyWindowRecordPopup(active);
        return;
    }
    if (!active) return;
    if (!IsIconic(active->Window) && !active->Detached && active->Input) SetFocus(active->Input);
    UpdateFrameTitle();
    shell::SetWindowTabState(active, kTabIdle);
    HWND losing = reinterpret_cast<HWND>(lParam);
    for (WindowRecord* r : WindowListSnapshot())
        if (r->Detached && r->Window == losing) {
            SelectWindowTab(active, kNoTabState);
            shell::ActivateWindowRecord(active);
            break;
        }
    (void)frame;
}

// A maximised frame stays inside the desktop's work area, which the ticker's strip shrinks.
// Some systems maximise to the monitor's own work area and leave out what a program set, so
// the frame takes off what the desktop's work area lacks on each side.
void KeepMaximizedInWorkArea(HWND frame, MINMAXINFO* limits) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT desktop{};
    if (!GetMonitorInfoW(MonitorFromWindow(frame, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
        !(monitor.dwFlags & MONITORINFOF_PRIMARY) || !SystemParametersInfoW(SPI_GETWORKAREA, 0, &desktop, 0))
        return;
    const LONG left = std::max(0L, desktop.left - monitor.rcWork.left),
               top = std::max(0L, desktop.top - monitor.rcWork.top),
               right = std::max(0L, monitor.rcWork.right - desktop.right),
               bottom = std::max(0L, monitor.rcWork.bottom - desktop.bottom);
    limits->ptMaxPosition.x += left;
    limits->ptMaxPosition.y += top;
    limits->ptMaxSize.x -= left + right;
    limits->ptMaxSize.y -= top + bottom;
}

void OnPaint(HWND frame) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(frame, &paint);
    if (NonEnglishLanguage.load()) {
        RECT client{};
        GetClientRect(frame, &client);
        RECT hint{2, client.bottom - 30, client.right, client.bottom};
        SetTextColor(dc, Settings::TextColour());
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc,
                  L"Brindlex has loaded a non-english language. If you can't understand it, press "
                  L"Ctrl+Shift+Alt+F4 to restart it in English.",
                  -1, &hint, DT_SINGLELINE);
    }
    EndPaint(frame, &paint);
}

// Timer 2: one ISON line per server window whose previous probe was answered; a server that still
// owes the answer gets "/lag" once instead.
void RunNotifyProbe() {
    srand(GetTickCount());
    const std::string line =
        BuildNotifyProbeLine(Settings::UserList(UserListKey(kNotifyList)), static_cast<uint32_t>(rand()));
    for (WindowRecord* record : WindowListSnapshot()) {
        if (record->Type != kServerWindow || !record->Connection) continue;
        ServerConnection& connection = *record->Connection;
        if (connection.LagProbePending) {
            if (!connection.LagReported) {
                connection.LagReported = 1;
                commands::ExecuteCommand("/lag", record, record, nullptr);
            }
            continue;
        }
        SendServerLine(line, record, 0);
        connection.LastNotifyTick = GetTickCount();
        connection.LagProbePending = 1;
    }
}

void OnTabChange(HWND frame, HWND tabs) {
    const int selected = static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    TCITEMW item{};
    item.mask = TCIF_PARAM;
    if (selected < 0 || !SendMessageW(tabs, TCM_GETITEMW, selected, reinterpret_cast<LPARAM>(&item))) return;
    auto* record = reinterpret_cast<WindowRecord*>(item.lParam);
    if (!record || !IsWindowRecordListed(record)) return;
    if (GetKeyState(VK_CONTROL) < 0) {
        const int32_t position = Settings::TabPosition() + 1;
        XmlWriteProfileInt(Settings::Keys::TabPosition.Section, Settings::Keys::TabPosition.Key,
                           position < 4 ? position : 0, nullptr, UserConfigDocument);
        InvalidateRect(frame, nullptr, TRUE);
        UpdateWindow(frame);
        PostMessageW(frame, WM_SIZE, 0, 0);
        InvalidateRect(tabs, nullptr, TRUE);
        UpdateWindow(tabs);
        return;
    }
    if (GetKeyState(VK_SHIFT) < 0) {
        SendMessageW(record->Window, WM_CLOSE, 0, 0);
        return;
    }
    shell::ActivateWindowRecord(record);
}

void OnToolTip(NMTTDISPINFOW* tip) {
    HMENU menu = MainMenuHandle.load();
    wchar_t text[1000] = {};
    const UINT id = static_cast<UINT>(tip->hdr.idFrom);
    if (id >= ID_POPUP_GROUP_FIRST) {
        std::wstring caption;
        FindMainMenuGroup(id - ID_POPUP_GROUP_FIRST, &caption);
        wcsncpy(text, caption.c_str(), 999);
    } else if (menu) {
        GetMenuStringW(menu, id, text, 1000, MF_BYCOMMAND);
    }
    wcsncpy(tip->szText, text, 79);
    tip->szText[79] = L'\0';
    tip->lpszText = tip->szText;
    tip->hinst = nullptr;
    tip->uFlags |= TTF_DI_SETITEM;
}

// The toolbar buttons with a drop-down arrow and the main menu group each shows.
struct DropDownRow {
    uint32_t Id;
    UINT Group;
};
constexpr DropDownRow kDropDowns[] = {
    {ID_CONNECT, 0},
    {ID_SAVE_TEXT, 6},
    {ID_USER_SEND_FILE, 16},
    {ID_FORMAT_BAR, 7},
};

void OnDropDown(HWND, const NMTOOLBARW* button) {
    if (button->iItem < 0) return;
    const auto id = static_cast<uint32_t>(button->iItem);
    if (id >= ID_POPUP_GROUP_FIRST) return ShowMainMenuGroup(id - ID_POPUP_GROUP_FIRST);
    for (const DropDownRow& row : kDropDowns)
        if (row.Id == id) return ShowMainMenuGroup(row.Group);
}

LRESULT OnNotify(HWND frame, const NMHDR* header) {
    if (header->code == TCN_SELCHANGE && header->hwndFrom == WindowTabsControl.load())
        OnTabChange(frame, header->hwndFrom);
    else if (header->code == TTN_GETDISPINFOW)
        OnToolTip(reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header)));
    else if (header->code == TBN_DROPDOWN)
        OnDropDown(frame, reinterpret_cast<const NMTOOLBARW*>(header));
    else if (header->code == RBN_HEIGHTCHANGE && header->hwndFrom == MainBarWindow.load())
        PostMessageW(frame, WM_SIZE, 0, 0); // the client follows the bar's new height
    return 0;
}

LRESULT OnOpenChatWindow(WPARAM where, const OpenChatWindowRequest* request) {
    if (!request) return 0;
    WindowRecord* before = where != kOpenInFront ? shell::GetActiveWindowRecord() : nullptr;
    std::optional<PassingActivation> passing;
    if (before) passing.emplace();
    HWND child =
        CreateChatWindow(request->Type, request->Server, request->Name, request->Flag, before != nullptr);
    passing.reset();
    // Made in front after all (a detached window is active, or the client keeps its children's
    // styles to itself): the window that was active comes back in front.
    if (before && IsWindowRecordListed(before) && shell::GetActiveWindowRecord() != before)
        shell::ActivateWindowRecord(before);
    if (before && where == kOpenFrontLater) BringInFrontAfterStorm(child, before->Window);
    return reinterpret_cast<LRESULT>(child);
}

LRESULT FrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (BroadcastWindowMessage(kPluginWindowMessageFirst, window, message, wParam, lParam) == 1) return 1;
    if (BroadcastWindowMessage(kPluginWindowMessage, window, message, wParam, lParam) == 1) return 0;
    if (message == FindReplaceMessage()) return 0;
    if (message == RibbonCommandMessage()) return shell::OnRibbonRequest(window, wParam, lParam);

    switch (message) {
        case WM_TRAY_NOTIFY:
            if (lParam == WM_LBUTTONDOWN || lParam == WM_LBUTTONDBLCLK) {
                ShowWindow(window, SW_SHOW);
                SetForegroundWindow(window);
            }
            return 0;
        case WM_OPEN_CHAT_WINDOW:
            return OnOpenChatWindow(wParam, reinterpret_cast<const OpenChatWindowRequest*>(lParam));
        case WM_TAKE_WINDOW_REQUESTS: TakeWindowRequestSlice(); return 0;
        case WM_SPEAK_TEXT: OnSpeakTextMessage(wParam, lParam); return 0;
        case MM_WIM_DATA: media::OnWaveInBuffer(reinterpret_cast<WAVEHDR*>(lParam)); return 0;
        case MM_WOM_DONE: media::OnWaveOutDone(reinterpret_cast<WAVEHDR*>(lParam)); return 0;
        case WM_INSERT_IMAGE:
            return peer::InsertImageIntoRichEdit(reinterpret_cast<HWND>(wParam),
                                                 reinterpret_cast<HBITMAP>(lParam));
        case WM_INSERT_OBJECT:
            return peer::InsertRequestedObject(reinterpret_cast<const InsertObjectRequest*>(lParam));
        case WM_SPEECH_RECOGNIZED: InsertRecognizedText(); return 0;
        case WM_RUN_ACTIVEX_SCRIPT:
            return RunActiveXScript(reinterpret_cast<const wchar_t*>(wParam),
                                    reinterpret_cast<const wchar_t*>(lParam));
        case WM_HOTKEY: RunScriptHotkey(static_cast<uint32_t>(wParam)); return 0;
        case WM_LIGHT_SENSOR: return shell::OnLightSensorMessage(window, wParam, lParam);
        case WM_LBUTTONDBLCLK: {
            const int32_t last = Settings::LastServer();
            if (static_cast<uint32_t>(last) != 0xFFFFFFFF)
                PostMessageW(window, WM_COMMAND, ID_SERVER_FIRST + static_cast<UINT>(last), 0);
            return 0;
        }
        case WM_DROPFILES:
            peer::SendDroppedFiles(shell::GetActiveWindowRecord(), reinterpret_cast<HDROP>(wParam));
            return 1;
        case WM_TIMER:
            if (wParam == FLOOD_TIMER_ID) FlushSendQueues();
            if (wParam == ISON_TIMER_ID) RunNotifyProbe();
            return 0;
        case WM_NOTIFY: return OnNotify(window, reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            HandleMenuCommand(window, wParam, lParam);
            return DefaultFrame(window, message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(window, &client);
            FillWithConfigColor(reinterpret_cast<HDC>(wParam), client, Settings::BackgroundColour(),
                                "Gradient");
            return 1;
        }
        case WM_CREATE: return OnCreate(window);
        case WM_LAYOUT_WAITING_CHATS: LayOutWaitingChatWindows(); return 0;
        case WM_SIZE:
            // The frame places the MDI client itself; the default handling would size it to the
            // whole client area (or to nothing for the WM_SIZE posted without a size).
            NoteFrameLaidOut();
            if (FrameData* data = DataOf(window)) LayoutFrame(window, data);
            return 0;
        case WM_ACTIVATE: OnActivate(window, wParam, lParam); return 0;
        case WM_PAINT: OnPaint(window); return 0;
        case WM_GETMINMAXINFO:
            DefaultFrame(window, message, wParam, lParam);
            KeepMaximizedInWorkArea(window, reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_CLOSE: OnClose(window); return 0;
        case WM_INITMENUPOPUP:
            ShowToggleStates(reinterpret_cast<HMENU>(wParam), shell::GetActiveWindowRecord());
            break;
        case WM_DESTROY:
            KillTimer(window, FLOOD_TIMER_ID);
            KillTimer(window, ISON_TIMER_ID);
            // No window is made any more: whoever still waits for one hears so.
            RefuseWindowRequests(nullptr);
            shell::DestroyFrameRibbon();
            WindowTabsControl = nullptr;
            MainBarWindow = nullptr;
            PostQuitMessage(0);
            return DefaultFrame(window, message, wParam, lParam);
        default: break;
    }
    if (HandleStartPanelMessage(window, message, wParam, lParam)) return 0;
    LRESULT handled = 0;
    if (HandleWorkerMessage(window, message, wParam, lParam, handled)) return handled;
    return DefaultFrame(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowProc<FrameMessage>(window, message, wParam, lParam);
}
