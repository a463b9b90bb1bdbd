#include "shell/chats/chat_window.h"

#include "peer/dcc_send_dialog.h"
#include "commands/input_dispatcher.h"
#include "commands/plugin_host.h"
#include "commands/script_timer_runner.h"
#include "common/window_helpers.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "common/app_state.h"
#include "shell/windows/active_window.h"
#include "shell/controls/chat_layout.h"
#include "shell/chats/channel_list_view.h"
#include "core/settings.h"
#include "core/frame_handles.h"
#include "core/frame_message_ids.h"
#include "shell/menus/main_menu.h"
#include "shell/menus/menu_command_table.h"
#include "shell/windows/server_reconnect.h"
#include "shell/windows/start_panel.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/windows/window_tabs.h"
#include "ui/ribbon.h"

#include <richedit.h>
#include <shellapi.h>

#include <string>

namespace {

WindowRecord* RecordOf(HWND window) {
    return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT DefaultProcessing(WindowRecord* record, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (record && record->Detached) return DefWindowProcW(window, message, wParam, lParam);
    return DefMDIChildProcW(window, message, wParam, lParam);
}

bool g_passingActivation = false;
// A layout of the frame that new windows asked for is on its way.
bool g_frameLayoutPosted = false;

void OnActivated(WindowRecord* record) {
    if (g_passingActivation) return;
    if (!record) {
        SelectWindowTab(nullptr, kTabIdle);
        return;
    }
    if (record->View) {
        SetFocus(record->View);
        SendMessageW(record->View, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        SendMessageW(record->View, EM_SCROLLCARET, 0, 0);
    }
    UpdateMainMenu(record->Type, record->Detached ? record->Window : MainWindow.load(), kNoPluginMenuEntry);
    SelectWindowTab(record, kTabIdle);
    if (record->Input) SetFocus(record->Input);
}

LRESULT ChatMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const uint64_t first = BroadcastWindowMessage(kPluginWindowMessageFirst, window, message, wParam, lParam);
    if (first >= 1) return static_cast<LRESULT>(first);
    if (BroadcastWindowMessage(kPluginWindowMessage, window, message, wParam, lParam) == 1) return 0;

    WindowRecord* record = RecordOf(window);
    switch (message) {
        case WM_CREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            const auto* mdi = reinterpret_cast<const MDICREATESTRUCTW*>(create->lpCreateParams);
            const auto* params = mdi ? reinterpret_cast<const ChatWindowParams*>(mdi->lParam) : nullptr;
            if (!params) return -1;
            return OnChatCreate(window, *params);
        }
        case WM_SIZE:
            // A new size, or (0, 0) a request to lay the controls out again after a change of fonts
            // or modes. Either may make other windows visible, which the request looks at too.
            if (record) RequestChatLayout(record);
            if (!wParam && !lParam) return 0;
            return DefaultProcessing(record, window, message, wParam, lParam);
        case WM_CLOSE:
            if (!record) return DefaultProcessing(record, window, message, wParam, lParam);
            OnChatClose(record);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE) {
                OnActivated(record);
                return 0;
            }
            break;
        case WM_MDIACTIVATE:
            if (reinterpret_cast<HWND>(lParam) == window) {
                OnActivated(record);
                DefaultProcessing(record, window, message, wParam, lParam);
                return 0;
            }
            break;
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(window, &client);
            HBRUSH brush = CreateSolidBrush(Settings::BackgroundColour());
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
            DeleteObject(brush);
            return 0;
        }
        case WM_TIMER:
            if (wParam == kReconnectTimerId) {
                RunPendingReconnect(record, window);
                return 0;
            }
            commands::RunScriptTimer(record, window, wParam);
            return 1;
        case WM_RECONNECT_WAIT:
            SetTimer(window, kReconnectTimerId, static_cast<UINT>(lParam), nullptr);
            return 0;
        case WM_SCRIPT_TIMER: commands::SetScriptTimer(window, wParam, lParam); return 0;
        case WM_DROPFILES: peer::SendDroppedFiles(record, reinterpret_cast<HDROP>(wParam)); return 1;
        case WM_INITMENUPOPUP: ShowToggleStates(reinterpret_cast<HMENU>(wParam), record); break;
        case WM_COMMAND:
            // The window's own toolbars act on it, whichever window is active.
            HandleMenuCommand(window, wParam, record ? reinterpret_cast<LPARAM>(record) : lParam);
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (record && header->hwndFrom == record->View && header->code == EN_LINK)
                return OnViewLink(record, header);
            if (record && header->hwndFrom == record->NickList) return OnNickListNotify(record, header);
            if (record && header->hwndFrom && header->hwndFrom == record->ChannelListView)
                return OnChannelListNotify(record, header);
            return SendMessageW(MainWindow.load(), WM_NOTIFY, wParam, lParam);
        }
        default: break;
    }
    return DefaultProcessing(record, window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK ChatWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowProc<ChatMessage>(window, message, wParam, lParam);
}

void NoteFrameLaidOut() {
    g_frameLayoutPosted = false;
}

WindowRecord* ListedChatRecord(HWND window) {
    auto* record = IsWindow(window)
                       ? reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA))
                       : nullptr;
    return record && record->Window == window && IsWindowRecordListed(record) ? record : nullptr;
}

PassingActivation::PassingActivation() {
    g_passingActivation = true;
}

PassingActivation::~PassingActivation() {
    g_passingActivation = false;
}

HWND CreateChatWindow(uint32_t type, WindowRecord* server, const std::string& name, uint8_t flag,
                      bool behind) {
    RibbonInvalidateContext(kChannelContextGroup);
    RibbonInvalidateContext(kServerContextGroup);
    CloseStartPanel();
    HWND frame = MainWindow.load();
    HWND client = MdiClientWindow.load();
    if (!frame || !client) return nullptr;
    // The first window brings the client out; the frame's layout below places it exactly. Moving
    // a client that is out already would move every window in it twice for each new one.
    const bool first = !IsWindowVisible(client);
    if (first) {
        RECT area{};
        GetClientRect(frame, &area);
        const int top = TopOffset.load();
        ShowWindow(client, SW_SHOW);
        SetWindowPos(client, HWND_BOTTOM, 0, top, area.right, area.bottom - top, SWP_SHOWWINDOW);
    }

    BOOL maximised = FALSE;
    HWND active = reinterpret_cast<HWND>(
        SendMessageW(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised)));
    // A window behind is made out of sight and then shown behind the active one: made in sight,
    // it would take the activation and give it back, each costing as much as making it.
    const bool hidden = behind && active && (GetWindowLongPtrW(client, GWL_STYLE) & MDIS_ALLCHILDSTYLES);
    ChatWindowParams params{type, server, name, flag, !hidden};
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                        (hidden ? 0 : WS_VISIBLE | (active && maximised ? WS_MAXIMIZE : 0));
    HWND child =
        CreateMDIWindowW(kChatWindowClass, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, client, GetModuleHandleW(nullptr), reinterpret_cast<LPARAM>(&params));
    if (child && hidden)
        SetWindowPos(child, active, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // The first window changes the frame (the client comes out, the start panel goes) before the
    // caller goes on; after that, the windows a slice makes share one layout of the frame.
    if (first) {
        SendMessageW(frame, WM_SIZE, 0, 0);
    } else if (!g_frameLayoutPosted) {
        g_frameLayoutPosted = PostMessageW(frame, WM_SIZE, 0, 0) != FALSE;
    }
    if (!shell::IsAppForeground()) FlashWindow(frame, TRUE);
    return child;
}
