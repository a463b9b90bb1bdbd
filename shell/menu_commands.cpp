#include "shell/menu_commands.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/frame_messages.h"
#include "common/lang_string_ids.h"
#include "common/shell_helpers.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "core/frame_handles.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/send_path.h"
#include "irc/server_session.h"
#include "core/client_services.h"
#include "media/speech.h"
#include "shell/input_box.h"
#include "shell/input_smileys.h"
#include "shell/main_menu.h"
#include "shell/menu_command_parts.h"
#include "shell/nick_list.h"
#include "shell/object_menu_commands.h"
#include "shell/view_procs.h"
#include "shell/window_operations.h"
#include "shell/window_record_ops.h"
#include "shell/window_state.h"
#include "ui/server_dialogs.h"
#include "views/smiley_menu.h"
#include "core/settings.h"

#include <commctrl.h>
#include <richedit.h>

#include <string>
#include <vector>

namespace {

void Relayout(const WindowRecord* record) {
    PostMessageW(record->Window, WM_SIZE, 0, 0);
}

void ToggleMultiLine(WindowRecord* record) {
    // The toolbar button shows the mode whether the menu or the button switched it.
    if (record->MultiLineInput == 0) {
        record->MultiLineInput = 1;
        CheckChildToolbarButton(record, ID_MULTI_LINE_INPUT, true);
        Relayout(record);
    } else if (record->Input && GetWindowTextLengthW(record->Input) > 0) {
        SendMessageW(record->Input, WM_CHAR, L'\r', kForcedSubmission);
        CheckChildToolbarButton(record, ID_MULTI_LINE_INPUT, true);
    } else {
        record->MultiLineInput = 0;
        CheckChildToolbarButton(record, ID_MULTI_LINE_INPUT, false);
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
        case ID_WINDOWS_RESTORE:
            // The client starts right below the bar: each window takes the whole of it, so its
            // bottom edge and input box stay in sight and no band is left empty above it.
            for (WindowRecord* r : WindowListSnapshot()) {
                OpenIcon(r->Window);
                SetWindowPos(r->Window, nullptr, 0, 0, area.right, area.bottom, SWP_SHOWWINDOW);
            }
            break;
        case ID_WINDOWS_MINIMISE:
            // CloseWindow leaves child windows as they are, so MDI children would stay open.
            for (WindowRecord* r : WindowListSnapshot()) ShowWindow(r->Window, SW_MINIMIZE);
            break;
        case ID_WINDOWS_CASCADE:
        case ID_WINDOWS_TILE_HORIZONTALLY:
        case ID_WINDOWS_TILE_VERTICALLY:
            // The MDI client arranges its own children over its whole area (the system's
            // CascadeWindows and TileWindows do nothing on some systems).
            if (id == ID_WINDOWS_CASCADE)
                SendMessageW(client, WM_MDICASCADE, 0, 0);
            else
                SendMessageW(client, WM_MDITILE,
                             id == ID_WINDOWS_TILE_HORIZONTALLY ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, 0);
            break;
        case ID_WINDOWS_ARRANGE_ICONS: ArrangeIconicWindows(client); break;
        default: break;
    }
}

// The view's selected text; empty without a selection.
std::wstring ViewSelection(const WindowRecord* record) {
    CHARRANGE range{};
    SendMessageW(record->View, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (range.cpMax <= range.cpMin) return {};
    std::wstring text(static_cast<size_t>(range.cpMax - range.cpMin) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(record->View, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

void SpeakIncoming(WindowRecord* record) {
    if (InitSpeechVoice()) {
        record->SpeakIncoming = record->SpeakIncoming ? 0 : 1;
        CheckChildToolbarButton(record, ID_SPEAK_INCOMING, record->SpeakIncoming != 0);
    }
    FocusInputBack(record);
}

void ToggleVoice(WindowRecord* record, UINT id) {
    if (record->Type != kDccChatWindow) return;
    // Each switch shows its own button: talking or listening.
    if (id == ID_VOICE_TALK) {
        if (record->VoiceCapture)
            CloseWaveIn(record);
        else if (!OpenWaveIn(record))
            return;
        CheckChildToolbarButton(record, ID_VOICE_TALK, record->VoiceCapture != 0);
        return;
    }
    if (record->VoiceListen) {
        CloseWaveOut(record);
        CheckChildToolbarButton(record, ID_VOICE_LISTEN, false);
        return;
    }
    if (!OpenWaveOut(record)) return;
    CheckChildToolbarButton(record, ID_VOICE_LISTEN, true);
    PrintToWindow(kInformationLine, record, GetLangString(kListeningText));
    SendVoiceListening(record);
}

void AskChannelList(HWND owner, WindowRecord* record, UINT id) {
    if (record->Type != kChannelWindow) return;
    const std::string request = "MODE " + record->Name + (id == ID_CHANNEL_BAN_LIST ? " +b\r\n" : " +e\r\n");
    if (!Settings::ShowInformationDialog()) {
        SendServerLine(request, record, 0);
        return;
    }
    // The dialog sends the request once its view is up, so no reply reaches the channel first; a
    // request no dialog took still leaves.
    ui::SetListInformationRequest(record, request);
    OpenListInformationDialog(owner);
    WindowRecord* channel = nullptr;
    std::string pending;
    if (ui::TakeListInformationRequest(channel, pending)) SendServerLine(pending, record, 0);
}

void LookUpHost(WindowRecord* record) {
    wchar_t host[1000] = {};
    if (!PromptText(MainWindow.load(), kProgramTitle, GetLangString(kLookUpHostPrompt), host, 1000, 0))
        return;
    ProcessInputLine(("/DNS " + WideToNarrow(host)).c_str(), record);
}

// Commands that act on the active window; false when the id is not one of them.
bool WindowCommand(HWND owner, WindowRecord* record, UINT id) {
    switch (id) {
        case ID_CHANNEL_MODES:
            if (record->Type == kChannelWindow) OpenChannelControlDialog(record->Window, 0);
            return true;
        case ID_WINDOW_NOTIFY: ToggleWindowNotify(record); return true;
        case ID_WINDOW_PAUSE: ToggleOutputPause(record, kPauseToggle); return true;
        case ID_WINDOW_DOCK: ToggleDocking(record); return true;
        case ID_WINDOW_TICKER: ToggleTickerWindow(record); return true;
        case ID_SERVER_JOIN: OpenJoinDialog(owner, record->Server); return true;
        case ID_SERVER_CHANNEL_LIST: RequestChannelList(record); return true;
        case ID_SERVER_RECONNECT:
            if (record->Server) StartServerConnection(record->Server);
            return true;
        case ID_SERVER_DISCONNECT:
            if (record->Server) OnServerDisconnected(record->Server, {.ByUser = true});
            return true;
        case ID_SERVER_LINKS: SendServerLine("LINKS\r\n", record, 0); return true;
        case ID_SERVER_SILENCE_LIST: ProcessInputLine("/RAW SILENCE", record); return true;
        case ID_SERVER_ACCEPT_LIST: ProcessInputLine("/RAW ACCEPT *", record); return true;
        case ID_MULTI_LINE_INPUT: ToggleMultiLine(record); return true;
        case ID_FORMAT_BAR:
            record->ShowInsertsBar = record->ShowInsertsBar ? 0 : 1;
            CheckChildToolbarButton(record, ID_FORMAT_BAR, record->ShowInsertsBar != 0);
            Relayout(record);
            return true;
        case ID_NICK_LIST_SHOW:
            // The view takes the width the nick list leaves, and gives it back.
            if (record->NickList) {
                const bool shown = (GetWindowLongPtrW(record->NickList, GWL_STYLE) & WS_VISIBLE) != 0;
                ShowWindow(record->NickList, shown ? SW_HIDE : SW_SHOW);
                Relayout(record);
            }
            return true;
        case ID_COPY:
            if (record->View) SendMessageW(record->View, WM_COPY, 0, 0);
            return true;
        case ID_SEARCH_WEB_FOR_SELECTION: {
            const std::wstring selected = record->View ? ViewSelection(record) : std::wstring();
            if (!selected.empty())
                OpenUrlInBrowser(WebSearchUrl(WideToNarrow(selected), false).c_str(), 1, false);
            return true;
        }
        case ID_LOOK_UP_HOST: LookUpHost(record); return true;
        case ID_LOG_WINDOW:
        case ID_SAVE_RTF:
        case ID_SAVE_TEXT:
        case ID_SAVE_ENCRYPTED: RunLogCommand(record, id); return true;
        case ID_NICK_LIST_GROUPS: ToggleNickSort(record); return true;
        case ID_CLEAR_WINDOW: ProcessInputLine("/clear", record); return true;
        case ID_SPEAK_INCOMING: SpeakIncoming(record); return true;
        case ID_VOICE_TALK:
        case ID_VOICE_LISTEN: ToggleVoice(record, id); return true;
        case ID_CHANNEL_BAN_LIST:
        case ID_CHANNEL_EXCEPTION_LIST: AskChannelList(owner, record, id); return true;
        default: break;
    }
    if (ObjectMenuCommand(record, id)) return true;
    if (id >= ID_STATUS_AVAILABLE && id <= ID_STATUS_INVISIBLE) {
        std::string result;
        RunEventScript("On_Status", record, record, std::to_string(id - ID_STATUS_AVAILABLE), result);
        return true;
    }
    return false;
}

// The code pages of the encoding commands, in order.
constexpr uint32_t kEncodingCodePages[] = {65001, 1252, 1250, 1251, 1253, 1254, 1257, 1256,
                                           1255,  1258, 936,  950,  874,  932,  949,  0};

// A server window sets its own and each of its channels' and queries' encoding.
void SetEncoding(WindowRecord* record, UINT id) {
    const uint32_t codePage = kEncodingCodePages[id - ID_ENCODING_UTF8];
    auto run = [codePage](WindowRecord* window) {
        const std::string line = "/encoding " + window->Name + " " + std::to_string(codePage);
        ExecuteCommand(line.c_str(), window, window, nullptr);
    };
    if (record->Type != kServerWindow) return run(record);
    for (WindowRecord* other : WindowListSnapshot())
        if (other->Type != kDccChatWindow && other->Server == record) run(other);
}

void Dispatch(HWND owner, UINT id, WindowRecord* named) {
    WindowRecord* record = named ? named : GetActiveWindowRecord();
    if (id == ID_LIGHT_SENSOR) return ToggleLightSensor();
    if (id >= ID_ENCODING_UTF8 && id <= ID_ENCODING_SYSTEM) {
        if (record) SetEncoding(record, id);
        return;
    }
    if (id >= ID_SCRIPT_ITEM_FIRST && id <= ID_SCRIPT_ITEM_LAST) return RunScriptPopupItem(record, id);
    if (id >= ID_SERVER_FIRST && id <= ID_SERVER_LAST) return OpenConnectDialog(nullptr, id);
    if (id == ID_SMILEYS) {
        ShowSmileyMenu(MainWindow.load(), false);
        return;
    }
    if (id >= ID_FIND && id <= ID_FIND_NEXT) {
        if (record) FindInView(record, id);
        return;
    }
    if (id >= ID_SERVER_USER_LISTS && id <= ID_SERVER_USER_LISTS_LAST && id != ID_SERVER_SILENCE_LIST) {
        ExecuteCommand("/prefs Cfg\\User_Lists", nullptr, nullptr, nullptr);
        return;
    }
    if (id >= ID_NICK_OWNER && id <= ID_NICK_AUTO_VOICE_REMOVE) {
        if (record) RunNickAction(owner, record, id);
        return;
    }
    if (id >= ID_USER_WHOIS && id <= ID_USER_LAST) {
        if (record) RunNickAction(owner, record, id);
        return;
    }
    if (id >= ID_LINK_FIRST && id <= ID_LINK_LAST) return RunCommandPopupItem(record, id);
    if (id >= ID_POPUP_GROUP_FIRST) return ShowMainMenuGroup(id - ID_POPUP_GROUP_FIRST);
    if (id >= ID_WINDOWS_RESTORE && id <= ID_WINDOWS_ARRANGE_ICONS) return ArrangeWindows(id);
    if (id == ID_WINDOW_CLOSE) {
        SendMessageW(record ? record->Window : owner, WM_CLOSE, 0, 0);
        return;
    }
    if (RunInputCodeCommand(owner, record, id)) return;
    if (RunProgramCommand(owner, record, id)) return;
    if (record) WindowCommand(owner, record, id);
}

} // namespace

void FocusInputBack(const WindowRecord* record) {
    if (record && record->Input) SetFocus(record->Input);
}

void InsertIntoInput(WindowRecord* record, const std::wstring& text) {
    if (!record || !record->Input) return;
    SendMessageW(record->Input, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    FocusInputBack(record);
}

std::wstring InputBoxText(const WindowRecord* record) {
    if (!record || !record->Input) return {};
    return InputTextWithSmileys(record->Input);
}

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
    try {
        const UINT id = LOWORD(wParam);
        // A popup, or the channel list window's own redraw, names the record its command is for
        // (a small value or a control's handle is none): the window whose nick list or view was
        // clicked, not the one that happens to be active.
        auto* named = reinterpret_cast<WindowRecord*>(lParam);
        if (lParam < 6 || !IsWindowRecordListed(named)) named = nullptr;
        if (id == ID_CHANNEL_LIST_BY_NAME || id == ID_CHANNEL_LIST_BY_MEMBERS) {
            WindowRecord* target = named ? named : GetActiveWindowRecord();
            if (IsWindowRecordListed(target)) ShowChannelList(target, id);
            return;
        }
        Dispatch(owner, id, named);
    } catch (...) {
        // A command that fails ends here; the window procedure goes on.
    }
}
