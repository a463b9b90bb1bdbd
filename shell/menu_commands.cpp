#include "shell/menu_commands.h"

#include "common/app_state.h"
#include "common/frame_messages.h"
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
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <richedit.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kPopupGroupBase = 60000;
constexpr int kArrangeTop = 50;

void Relayout(const WindowRecord* record) {
    PostMessageW(record->Window, WM_SIZE, 0, 0);
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
                const int top = area.bottom > kArrangeTop ? kArrangeTop : 0;
                SetWindowPos(r->Window, nullptr, 0, top, area.right, area.bottom - top, SWP_SHOWWINDOW);
            }
            break;
        case 782:
            // CloseWindow leaves child windows as they are, so MDI children would stay open.
            for (WindowRecord* r : WindowListSnapshot()) ShowWindow(r->Window, SW_MINIMIZE);
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
        CheckChildToolbarButton(record, 988, record->SpeakIncoming != 0);
    }
    FocusInputBack(record);
}

void ToggleVoice(WindowRecord* record, UINT id) {
    if (record->Type != kDccChatWindow) return;
    // Each switch shows its own button: 767 capture, 769 listening.
    if (id == 767) {
        if (record->VoiceCapture)
            CloseWaveIn(record);
        else if (!OpenWaveIn(record))
            return;
        CheckChildToolbarButton(record, 767, record->VoiceCapture != 0);
        return;
    }
    if (record->VoiceListen) {
        CloseWaveOut(record);
        CheckChildToolbarButton(record, 769, false);
        return;
    }
    if (!OpenWaveOut(record)) return;
    CheckChildToolbarButton(record, 769, true);
    PrintToWindow(kInformationLine, record, GetLangString(57));
    SendVoiceListening(record);
}

void AskChannelList(HWND owner, WindowRecord* record, UINT id) {
    if (record->Type != kChannelWindow) return;
    const std::string request = "MODE " + record->Name + (id == 603 ? " +b\r\n" : " +e\r\n");
    if (XmlGetProfileInt("Cfg\\Options3", "Show_Information_Dialog", 0, nullptr, UserConfigDocument) != 1) {
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
    if (!PromptText(MainWindow.load(), kProgramTitle, GetLangString(15), host, 1000, 0)) return;
    ProcessInputLine(("/DNS " + WideToNarrow(host)).c_str(), record, 0);
}

// Commands that act on the active window; false when the id is not one of them.
bool WindowCommand(HWND owner, WindowRecord* record, UINT id) {
    switch (id) {
        case 101:
            if (record->Type == kChannelWindow) OpenChannelControlDialog(record->Window, 0);
            return true;
        case 502: ToggleWindowNotify(record); return true;
        case 522: ToggleOutputPause(record, kPauseToggle); return true;
        case 523: ToggleDocking(record); return true;
        case 524: ToggleTickerWindow(record); return true;
        case 706: OpenJoinDialog(owner, record->Server); return true;
        case 707: RequestChannelList(record); return true;
        case 710:
            if (record->Server) StartServerConnection(record->Server);
            return true;
        case 711:
            if (record->Server) OnServerDisconnected(record->Server, 1);
            return true;
        case 712: SendServerLine("LINKS\r\n", record, 0); return true;
        case 725: ProcessInputLine("/RAW SILENCE", record, 0); return true;
        case 729: ProcessInputLine("/RAW ACCEPT *", record, 0); return true;
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
        case 792: {
            const std::wstring selected = record->View ? ViewSelection(record) : std::wstring();
            if (!selected.empty())
                OpenUrlInBrowser(WebSearchUrl(WideToNarrow(selected), false).c_str(), 1, false);
            return true;
        }
        case 808: LookUpHost(record); return true;
        case 981:
        case 982:
        case 983:
        case 984: RunLogCommand(record, id); return true;
        case 809: ToggleNickSort(record); return true;
        case 980: ProcessInputLine("/clear", record, 0); return true;
        case 988: SpeakIncoming(record); return true;
        case 767:
        case 769: ToggleVoice(record, id); return true;
        case 603:
        case 604: AskChannelList(owner, record, id); return true;
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

// The code pages of the encoding commands 541 to 556, in order.
constexpr uint32_t kEncodingCodePages[] = {65001, 1252, 1250, 1251, 1253, 1254, 1257, 1256,
                                           1255,  1258, 936,  950,  874,  932,  949,  0};

// A server window sets its own and each of its channels' and queries' encoding.
void SetEncoding(WindowRecord* record, UINT id) {
    const uint32_t codePage = kEncodingCodePages[id - 541];
    auto run = [codePage](WindowRecord* window) {
        const std::string line = "/encoding " + window->Name + " " + std::to_string(codePage);
        ExecuteCommand(line.c_str(), window, window, nullptr);
    };
    if (record->Type != kServerWindow) return run(record);
    for (WindowRecord* other : WindowListSnapshot())
        if (other->Type != kDccChatWindow && other->Server == record) run(other);
}

void Dispatch(HWND owner, UINT id) {
    WindowRecord* record = GetActiveWindowRecord();
    if (id == 9995) return ToggleLightSensor();
    if (id >= 541 && id <= 556) {
        if (record) SetEncoding(record, id);
        return;
    }
    if (id >= 2000 && id <= 4000) return RunScriptPopupItem(record, id);
    if (id >= 6001 && id <= 6100) return OpenConnectDialog(nullptr, id);
    if (id == 757) {
        ShowSmileyMenu(MainWindow.load(), false);
        return;
    }
    if (id >= 500 && id <= 501) {
        if (record) FindInView(record, id);
        return;
    }
    if (id >= 721 && id <= 728 && id != 725) {
        ExecuteCommand("/prefs Cfg\\User_Lists", nullptr, nullptr, nullptr);
        return;
    }
    if (id >= 102 && id <= 120) {
        if (record) RunNickAction(owner, record, id);
        return;
    }
    if (id >= 503 && id <= 519) {
        if (record) RunNickAction(owner, record, id);
        return;
    }
    if (id >= 8000 && id <= 8099) return RunCommandPopupItem(record, id);
    if (id >= kPopupGroupBase) return ShowMainMenuGroup(id - kPopupGroupBase);
    if (id >= 781 && id <= 786) return ArrangeWindows(id);
    if (id == 802) {
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
    const int length = GetWindowTextLengthW(record->Input);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(record->Input, text.data(), length + 1)));
    return text;
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
        if (id == 771 || id == 772) {
            // The channel list window's own redraw names its record; a small value is no record.
            WindowRecord* target =
                lParam >= 6 ? reinterpret_cast<WindowRecord*>(lParam) : GetActiveWindowRecord();
            if (IsWindowRecordListed(target)) ShowChannelList(target, id);
            return;
        }
        Dispatch(owner, id);
    } catch (...) {
        // A command that fails ends here; the window procedure goes on.
    }
}
