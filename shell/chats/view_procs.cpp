#include "shell/chats/view_procs.h"

#include "peer/dcc_send_dialog.h"
#include "commands/input_dispatcher.h"
#include "common/window_helpers.h"
#include "common/app_state.h"
#include "common/xstring.h"
#include "common/rich_edit_helpers.h"
#include "irc_lines/channel_nicks.h"
#include "script/event_scripts.h"
#include "shell/windows/active_window.h"
#include "shell/chats/chat_window.h"
#include "shell/controls/current_popup.h"
#include "shell/menus/menu_command_table.h"
#include "shell/controls/script_entries.h"
#include "core/window_record.h"
#include "shell/windows/window_state.h"
#include "views/coded_selection.h"
#include "views/gradient_fill.h"
#include "core/settings.h"

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include <cstring>
#include <string>

WNDPROC PreviousViewProc = nullptr;
WNDPROC PreviousNickListProc = nullptr;
WNDPROC PreviousMdiClientProc = nullptr;

namespace {

constexpr int kClickContext = 100;
bool ViewResizing = false;

LRESULT CallPrevious(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam) : 0;
}

WindowRecord* ParentRecord(HWND control) {
    return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(GetParent(control), GWLP_USERDATA));
}

void FillBackground(HWND window, HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    FillWithConfigColor(dc, client, Settings::BackgroundColour(), "Gradient");
}

// A plain click on a line "<nick> ..." selects that nick in the channel's nick list.
void SelectClickedNick(WindowRecord* record, HWND view) {
    CHARRANGE selection{};
    SendMessageW(view, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMin != selection.cpMax || !record->NickList) return;
    const LONG caret = selection.cpMin;
    CHARRANGE range{caret < kClickContext ? 0 : caret - kClickContext,
                    caret < kClickContext ? 2 * kClickContext : caret + kClickContext};
    std::wstring text(2 * kClickContext + 1, L'\0');
    TEXTRANGEW request{range, text.data()};
    text.resize(
        static_cast<size_t>(SendMessageW(view, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&request))));
    const size_t at = static_cast<size_t>(caret - range.cpMin);
    if (at > text.size()) return;
    const size_t lineStart = text.rfind(L'\r', at ? at - 1 : 0);
    const size_t begin = lineStart == std::wstring::npos || at == 0 ? 0 : lineStart + 1;
    const size_t lineEnd = text.find(L'\r', at);
    const std::wstring line =
        text.substr(begin, lineEnd == std::wstring::npos ? std::wstring::npos : lineEnd - begin);
    const size_t open = line.find(L'<');
    const size_t close = open == std::wstring::npos ? open : line.find(L'>', open + 1);
    if (close == std::wstring::npos || close == open + 1) return;
    const std::string nick = WideToNarrow(line.substr(open + 1, close - open - 1));
    uint32_t index = 0;
    if (!GetNickLevel(nick.c_str(), record, &index, nullptr, nullptr, nullptr)) return;
    LVITEMW clear{};
    clear.stateMask = LVIS_SELECTED;
    SendMessageW(record->NickList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&clear));
    LVITEMW select{};
    select.stateMask = LVIS_SELECTED;
    select.state = LVIS_SELECTED;
    SendMessageW(record->NickList, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&select));
    SendMessageW(record->NickList, LVM_ENSUREVISIBLE, index, FALSE);
}

void CopySelection(HWND view, WindowRecord* record) {
    CHARRANGE selection{};
    SendMessageW(view, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMin == selection.cpMax) return;
    if (GetKeyState(VK_SHIFT) < 0) {
        if (auto coded = GetSelectionAsCodedText(view)) {
            const size_t bytes = 2 * coded->size() + 98;
            if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes)) {
                std::memcpy(GlobalLock(memory), coded->c_str(), 2 * coded->size());
                GlobalUnlock(memory);
                if (OpenClipboardPatiently(view)) {
                    EmptyClipboard();
                    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
                    CloseClipboard();
                } else {
                    GlobalFree(memory);
                }
            }
        }
    } else {
        SendMessageW(view, WM_COPY, 0, 0);
    }
    CHARRANGE collapsed{selection.cpMin, selection.cpMin};
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&collapsed));
    if (record->Input) SetFocus(record->Input);
}

bool IsOverLink(HWND view, LPARAM point) {
    POINTL at{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    const LONG character =
        static_cast<LONG>(SendMessageW(view, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at)));
    CHARRANGE saved{};
    SendMessageW(view, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARRANGE one{character, character + 1};
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_LINK;
    SendMessageW(view, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    return (format.dwMask & CFM_LINK) && (format.dwEffects & CFE_LINK);
}

void ShowViewPopup(HWND view, WindowRecord* record) {
    HMENU popup = CreatePopupMenu();
    CHARRANGE selection{};
    SendMessageW(view, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMin != selection.cpMax) {
        HMODULE language = LanguageModule.load();
        if (HMENU edit = language ? LoadMenuW(language, L"MENU_EDITPOPUP") : nullptr)
            AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L" ");
    }
    UINT id = 2000;
    const uint32_t type = record->Type < 5 ? record->Type : 0;
    for (const ScriptEntry& entry : ReadScriptEntries())
        if (entry.TriggerType == 0 && entry.WindowPopup[type])
            AppendMenuW(popup, MF_STRING, id++, NarrowToWide(entry.Trigger).c_str());
    ReplaceCurrentPopup(popup, record->Type);
    POINT at{};
    GetCursorPos(&at);
    HWND frame = MainWindow.load();
    SetForegroundWindow(frame);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_RIGHTALIGN, at.x, at.y, 0, frame, nullptr));
    SendMessageW(frame, WM_NULL, 0, 0);
    if (chosen)
        PostMessageW(frame, WM_COMMAND, chosen, reinterpret_cast<LPARAM>(record));
    else
        ReplaceCurrentPopup(nullptr, 0);
}

LRESULT ViewMessage(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) RichEditForgetViewFont(view);
    WindowRecord* record = ParentRecord(view);
    if (!record || record->View != view) return CallPrevious(PreviousViewProc, view, message, wParam, lParam);
    switch (message) {
        case WM_DROPFILES: peer::SendDroppedFiles(record, reinterpret_cast<HDROP>(wParam), view); return 0;
        case WM_LBUTTONDOWN: {
            const LRESULT result = CallPrevious(PreviousViewProc, view, message, wParam, lParam);
            SelectClickedNick(record, view);
            return result;
        }
        case WM_LBUTTONUP: CopySelection(view, record); break;
        case WM_RBUTTONDOWN:
            if (IsOverLink(view, lParam)) break;
            ShowViewPopup(view, record);
            return 0;
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK: {
            if (record->Input) SetFocus(record->Input);
            std::string result;
            const uint32_t answer =
                script::RunEventScript("On_Window_Left_XX", record->Server, record, record->Name, result);
            if (answer != kNoEventScript && answer != 1 && !result.empty())
                commands::ProcessInputLine(result.c_str(), record);
            return 0;
        }
        case WM_MOUSEWHEEL:
        case WM_VSCROLL: {
            const LRESULT result = CallPrevious(PreviousViewProc, view, message, wParam, lParam);
            AutoPauseOnScroll(view, record);
            return result;
        }
        case WM_SIZING: ViewResizing = true; break;
        case WM_SIZE:
            if (ViewResizing) {
                ViewResizing = false;
                RECT viewRect{}, client{};
                GetWindowRect(view, &viewRect);
                GetClientRect(record->Window, &client);
                if (client.right > 0) {
                    record->SplitRatio =
                        static_cast<float>(viewRect.right - viewRect.left) / static_cast<float>(client.right);
                    PostMessageW(record->Window, WM_SIZE, 0, 0);
                }
            }
            break;
        case WM_ERASEBKGND: FillBackground(view, reinterpret_cast<HDC>(wParam)); return 1;
        case WM_NCCALCSIZE:
            if (wParam == TRUE && record->Type == kChannelWindow) {
                const LRESULT result = CallPrevious(PreviousViewProc, view, message, wParam, lParam);
                auto* sizes = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
                sizes->rgrc[0].left = sizes->rgrc[1].left;
                sizes->rgrc[0].top = sizes->rgrc[1].top;
                sizes->rgrc[0].bottom += sizes->rgrc[1].bottom - sizes->rgrc[2].bottom - 1;
                return result;
            }
            break;
        case WM_CHAR:
            if (record->Input) {
                SetFocus(record->Input);
                SendMessageW(record->Input, WM_CHAR, wParam, lParam);
            }
            return 0;
        default: break;
    }
    return CallPrevious(PreviousViewProc, view, message, wParam, lParam);
}

LRESULT NickListMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = ParentRecord(list);
    if (!record || record->NickList != list)
        return CallPrevious(PreviousNickListProc, list, message, wParam, lParam);
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                const int selected = static_cast<int>(
                    SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
                if (selected >= 0 && record->Input) {
                    uint32_t index = static_cast<uint32_t>(selected);
                    std::wstring nick;
                    GetNickLevel(nullptr, record, &index, nullptr, nullptr, &nick);
                    nick += L' ';
                    SendMessageW(record->Input, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(nick.c_str()));
                }
                if (record->Input) SetFocus(record->Input);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam != L'\r' && record->Input) {
                SetFocus(record->Input);
                SendMessageW(record->Input, WM_CHAR, wParam, lParam);
            }
            return 0;
        case WM_DROPFILES:
            if (WindowRecord* owner = ParentRecord(list)) {
                peer::SendDroppedFiles(owner, reinterpret_cast<HDROP>(wParam), list);
                return 0;
            }
            DragFinish(reinterpret_cast<HDROP>(wParam));
            return 0;
        default: break;
    }
    return CallPrevious(PreviousNickListProc, list, message, wParam, lParam);
}

LRESULT MdiClientMessage(HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: FillBackground(client, reinterpret_cast<HDC>(wParam)); return 1;
        case WM_COMMAND: HandleMenuCommand(client, wParam, lParam); break;
        case WM_DROPFILES:
            peer::SendDroppedFiles(shell::GetActiveWindowRecord(), reinterpret_cast<HDROP>(wParam), client);
            return 1;
        default: break;
    }
    return CallPrevious(PreviousMdiClientProc, client, message, wParam, lParam);
}

WNDPROC Subclass(HWND window, WNDPROC procedure) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

} // namespace

LRESULT CALLBACK ViewSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowProc<ViewMessage>(window, message, wParam, lParam);
}

LRESULT CALLBACK NickListSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowProc<NickListMessage>(window, message, wParam, lParam);
}

LRESULT CALLBACK MdiClientSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowProc<MdiClientMessage>(window, message, wParam, lParam);
}

void SubclassView(HWND view) {
    WNDPROC previous = Subclass(view, ViewSubclassProc);
    if (!PreviousViewProc) PreviousViewProc = previous;
}

void SubclassNickList(HWND list) {
    WNDPROC previous = Subclass(list, NickListSubclassProc);
    if (!PreviousNickListProc) PreviousNickListProc = previous;
}

void SubclassMdiClient(HWND client) {
    PreviousMdiClientProc = Subclass(client, MdiClientSubclassProc);
}
