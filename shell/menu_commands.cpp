#include "shell/menu_commands.h"

#include "assist/assist_handshake.h"
#include "assist/assistance_request.h"
#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc/server_session.h"
#include "script/event_scripts.h"
#include "shell/active_window.h"
#include "shell/chat_window.h"
#include "shell/first_run_wizard.h"
#include "core/frame_handles.h"
#include "shell/input_box.h"
#include "shell/main_menu.h"
#include "shell/nick_list.h"
#include "shell/object_menu_commands.h"
#include "shell/view_procs.h"
#include "core/window_list.h"
#include "shell/window_operations.h"
#include "core/window_record.h"
#include "shell/window_record_ops.h"
#include "shell/window_state.h"
#include "update/update_check.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <richedit.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kPopupGroupBase = 60000;
constexpr int kArrangeTop = 50;

void FocusBack(const WindowRecord* record) {
    if (record && record->Input) SetFocus(record->Input);
}

void Insert(WindowRecord* record, const wchar_t* text) {
    if (!record || !record->Input) return;
    SendMessageW(record->Input, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    FocusBack(record);
}

void Relayout(const WindowRecord* record) {
    PostMessageW(record->Window, WM_SIZE, 0, 0);
}

std::wstring PopupItemText(UINT id) {
    wchar_t text[1001] = {};
    if (CurrentPopupMenu) GetMenuStringW(CurrentPopupMenu, id, text, 1000, MF_BYCOMMAND);
    return text;
}

// A script item of a view or nick-list popup: its trigger with the window's name, or with each
// selected nick.
void RunScriptPopupItem(WindowRecord* record, UINT id) {
    if (!CurrentPopupMenu) return;
    const std::string trigger = WideToNarrow(PopupItemText(id));
    if (record) {
        if (CurrentPopupKind == 5 && record->NickList) {
            std::vector<std::wstring> nicks;
            GetSelectedNicks(record->NickList, nicks, false, false);
            for (const std::wstring& nick : nicks)
                ProcessInputLine((trigger + " " + WideToNarrow(nick)).c_str(), record, 0);
        } else if (CurrentPopupKind >= 1 && CurrentPopupKind <= 4) {
            ProcessInputLine((trigger + " " + record->Name).c_str(), record, 0);
        }
    }
    ReplaceCurrentPopup(nullptr, 0);
}

void RunCommandPopupItem(WindowRecord* record, UINT id) {
    if (!CurrentPopupMenu) return;
    std::vector<std::wstring> parts;
    SplitStringW(parts, PopupItemText(id), kSplitUnlimited, L"|||");
    if (parts.size() == 2) ProcessInputLine(WideToNarrow(parts[1]).c_str(), record, 0);
    ReplaceCurrentPopup(nullptr, 0);
}

void ToggleMultiLine(WindowRecord* record) {
    if (record->MultiLineInput == 0) {
        record->MultiLineInput = 1;
        Relayout(record);
    } else if (record->Input && GetWindowTextLengthW(record->Input) > 0) {
        SendMessageW(record->Input, WM_CHAR, L'\r', kForcedSubmission);
        CheckChildToolbarButton(record, 733, true);
    } else {
        record->MultiLineInput = 0;
        Relayout(record);
    }
}

void ToggleNickSort(WindowRecord* record) {
    record->SortNicks = record->SortNicks ? 0 : 1;
    if (record->NickList) SendMessageW(record->NickList, LVM_ENABLEGROUPVIEW, record->SortNicks, 0);
    SortNickList(record);
}

void ArrangeWindows(UINT id) {
    HWND client = MdiClientWindow.load();
    if (!client) return;
    RECT area{};
    GetClientRect(client, &area);
    switch (id) {
        case 781:
            // Below the top band, and no taller than what is left of the client, so every
            // window's bottom edge and input box stay in sight.
            for (WindowRecord* r : WindowListSnapshot()) {
                OpenIcon(r->Window);
                const int height = area.bottom > kArrangeTop ? area.bottom - kArrangeTop : area.bottom;
                SetWindowPos(r->Window, nullptr, 0, area.bottom > kArrangeTop ? kArrangeTop : 0, area.right,
                             height, SWP_SHOWWINDOW);
            }
            break;
        case 782:
            for (WindowRecord* r : WindowListSnapshot()) CloseWindow(r->Window);
            break;
        case 783:
        case 784:
        case 785: {
            RECT below = area;
            below.top += kArrangeTop;
            if (id == 783)
                CascadeWindows(client, 0, &below, 0, nullptr);
            else
                TileWindows(client, id == 784 ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, &below, 0, nullptr);
            break;
        }
        case 786: ArrangeIconicWindows(client); break;
        default: break;
    }
}

void CloseStartPanelAndRemember(int show) {
    CloseStartPanel();
    XmlWriteProfileInt("Cfg\\Misc", "ShowStartPanel", show, nullptr, UserConfigDocument);
}

// Commands that act on the active window; false when the id is not one of them.
bool WindowCommand(WindowRecord* record, UINT id) {
    switch (id) {
        case 502: ToggleWindowNotify(record); return true;
        case 522: ToggleOutputPause(record, kPauseToggle); return true;
        case 523: ToggleDocking(record); return true;
        case 710: StartServerConnection(record->Server); return true;
        case 711: OnServerDisconnected(record->Server, 1); return true;
        case 733: ToggleMultiLine(record); return true;
        case 750:
            record->ShowInsertsBar = record->ShowInsertsBar ? 0 : 1;
            Relayout(record);
            return true;
        case 780:
            // The view takes the width the nick list leaves, and gives it back.
            if (record->NickList) {
                const bool shown = (GetWindowLongPtrW(record->NickList, GWL_STYLE) & WS_VISIBLE) != 0;
                ShowWindow(record->NickList, shown ? SW_HIDE : SW_SHOW);
                Relayout(record);
            }
            return true;
        case 791:
            if (record->View) SendMessageW(record->View, WM_COPY, 0, 0);
            return true;
        case 809: ToggleNickSort(record); return true;
        case 980: ProcessInputLine("/clear", record, 0); return true;
        case 751: Insert(record, L"\x02"); return true;
        case 752: Insert(record, L"\x16"); return true;
        case 753: Insert(record, L"\x1F"); return true;
        case 754: Insert(record, L"\x1D"); return true;
        case 758: Insert(record, L"\x04"); return true;
        case 759: Insert(record, L"\x0F"); return true;
        case 763: Insert(record, L"\x18"); return true;
        case 768:
        case 773: Insert(record, L"\x04\x04"); return true;
        default: break;
    }
    if (ObjectMenuCommand(record, id)) return true;
    if (id >= 741 && id <= 745) {
        std::string result;
        RunEventScript("On_Status", record, record, std::to_string(id - 741), result, 0);
        return true;
    }
    return false;
}

void Dispatch(HWND owner, UINT id) {
    WindowRecord* record = GetActiveWindowRecord();
    if (id >= 2000 && id <= 4000) return RunScriptPopupItem(record, id);
    if (id >= 8000 && id <= 8099) return RunCommandPopupItem(record, id);
    if (id >= kPopupGroupBase) return ShowMainMenuGroup(id - kPopupGroupBase);
    if (id >= 781 && id <= 786) return ArrangeWindows(id);
    switch (id) {
        case 802: SendMessageW(record ? record->Window : owner, WM_CLOSE, 0, 0); return;
        case 972: return CloseStartPanelAndRemember(1);
        case 993: return CheckForUpdates(true, true);
        case 995: FirstRunWizard(); return;
        case 990:
            RequestRemoteAssistance(nullptr, AssistanceAuthorHost(), kAssistPort, kAssistCallerData);
            return;
        case 973: return CloseStartPanelAndRemember(0);
        default: break;
    }
    if (record) WindowCommand(record, id);
}

} // namespace

void ShowMainMenuGroup(UINT position) {
    HWND frame = MainWindow.load();
    HMENU group = FindMainMenuGroup(position, nullptr);
    if (!group) return;
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(frame);
    TrackPopupMenu(group, TPM_RIGHTBUTTON | TPM_RIGHTALIGN, at.x, at.y, 0, frame, nullptr);
    SendMessageW(frame, WM_NULL, 0, 0);
}

void HandleMenuCommand(HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)message;
    (void)lParam;
    try {
        Dispatch(owner, LOWORD(wParam));
    } catch (...) {
        // A command that fails ends here; the window procedure goes on.
    }
}
