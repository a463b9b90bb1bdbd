#include "shell/menus/menu_commands.h"

#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
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
#include "script/event_scripts.h"
#include "shell/controls/input_box.h"
#include "shell/controls/input_smileys.h"
#include "shell/menus/main_menu.h"
#include "shell/menus/menu_command_handlers.h"
#include "shell/menus/menu_command_table.h"
#include "shell/preferences/light_sensor.h"
#include "shell/controls/nick_list.h"
#include "shell/windows/window_operations.h"
#include "shell/windows/window_record_ops.h"
#include "shell/windows/window_state.h"
#include "ui/prompt_dialogs.h"
#include "ui/server_dialogs.h"
#include "ui/ticker_window.h"
#include "views/smiley_menu.h"
#include "views/line_printer.h"
#include "core/settings.h"

#include <commctrl.h>
#include <richedit.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

void Relayout(const WindowRecord* record) {
    PostMessageW(record->Window, WM_SIZE, 0, 0);
}

// The MDI client arranges its own children over its whole area.
HWND ClientArea(RECT& area) {
    HWND client = MdiClientWindow.load();
    if (client) GetClientRect(client, &area);
    return client;
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

// The code pages of the encoding commands, in order.
constexpr uint32_t kEncodingCodePages[] = {65001, 1252, 1250, 1251, 1253, 1254, 1257, 1256,
                                           1255,  1258, 936,  950,  874,  932,  949,  0};
static_assert(std::size(kEncodingCodePages) == ID_ENCODING_SYSTEM - ID_ENCODING_UTF8 + 1,
              "one code page per encoding command");

} // namespace

void OpenChannelModes(const MenuCommand& command) {
    ui::OpenChannelControlDialog(command.Window->Window, 0);
}

void FindInActiveView(const MenuCommand& command) {
    FindInView(command.Window, command.Id);
}

void ToggleNotifyOfWindow(const MenuCommand& command) {
    ToggleWindowNotify(command.Window);
}

void PauseWindowOutput(const MenuCommand& command) {
    ToggleOutputPause(command.Window, kPauseToggle);
}

void DockOrUndockWindow(const MenuCommand& command) {
    ToggleDocking(command.Window);
}

void ToggleTickerOfWindow(const MenuCommand& command) {
    ui::ToggleTickerWindow(command.Window);
}

// A server window sets its own and each of its channels' and queries' encoding.
void SetWindowEncoding(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    const uint32_t codePage = kEncodingCodePages[command.Id - ID_ENCODING_UTF8];
    auto run = [codePage](WindowRecord* window) {
        const std::string line = "/encoding " + window->Name + " " + std::to_string(codePage);
        commands::ExecuteCommand(line.c_str(), window, window, nullptr);
    };
    if (record->Type != kServerWindow) return run(record);
    for (WindowRecord* other : WindowListSnapshot())
        if (other->Type != kDccChatWindow && other->Server == record) run(other);
}

void AskChannelList(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    const std::string request =
        "MODE " + record->Name + (command.Id == ID_CHANNEL_BAN_LIST ? " +b\r\n" : " +e\r\n");
    if (!Settings::ShowInformationDialog()) {
        SendServerLine(request, record, 0);
        return;
    }
    // The dialog sends the request once its view is up, so no reply reaches the channel first; a
    // request no dialog took still leaves.
    ui::SetListInformationRequest(record, request);
    ui::OpenListInformationDialog(command.Owner);
    WindowRecord* channel = nullptr;
    std::string pending;
    if (ui::TakeListInformationRequest(channel, pending)) SendServerLine(pending, record, 0);
}

void OpenJoinDialogForServer(const MenuCommand& command) {
    ui::OpenJoinDialog(command.Owner, command.Window->Server);
}

void RequestServerChannelList(const MenuCommand& command) {
    RequestChannelList(command.Window);
}

void ReconnectServer(const MenuCommand& command) {
    if (command.Window->Server) StartServerConnection(command.Window->Server);
}

void DisconnectServer(const MenuCommand& command) {
    if (command.Window->Server) shell::OnServerDisconnected(command.Window->Server, {.ByUser = true});
}

void AskServerLinks(const MenuCommand& command) {
    SendServerLine("LINKS\r\n", command.Window, 0);
}

void OpenUserListPreferences(const MenuCommand&) {
    commands::ExecuteCommand("/prefs Cfg\\User_Lists", nullptr, nullptr, nullptr);
}

void AskSilenceList(const MenuCommand& command) {
    commands::ProcessInputLine("/RAW SILENCE", command.Window);
}

void AskAcceptList(const MenuCommand& command) {
    commands::ProcessInputLine("/RAW ACCEPT *", command.Window);
}

void ToggleMultiLineInput(const MenuCommand& command) {
    WindowRecord* record = command.Window;
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

void RunStatusEvent(const MenuCommand& command) {
    std::string result;
    script::RunEventScript("On_Status", command.Window, command.Window,
                           std::to_string(command.Id - ID_STATUS_AVAILABLE), result);
}

void ToggleFormatBar(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    record->ShowInsertsBar = record->ShowInsertsBar ? 0 : 1;
    CheckChildToolbarButton(record, ID_FORMAT_BAR, record->ShowInsertsBar != 0);
    Relayout(record);
}

void ShowSmileys(const MenuCommand&) {
    ShowSmileyMenu(MainWindow.load(), false);
}

// Each switch shows its own button: talking or listening.
void ToggleVoiceTalk(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    if (record->VoiceCapture)
        CloseWaveIn(record);
    else if (!OpenWaveIn(record))
        return;
    CheckChildToolbarButton(record, ID_VOICE_TALK, record->VoiceCapture != 0);
}

void ToggleVoiceListen(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    if (record->VoiceListen) {
        CloseWaveOut(record);
        CheckChildToolbarButton(record, ID_VOICE_LISTEN, false);
        return;
    }
    if (!OpenWaveOut(record)) return;
    CheckChildToolbarButton(record, ID_VOICE_LISTEN, true);
    views::PrintToWindow(kInformationLine, record, GetLangString(kListeningText));
    SendVoiceListening(record);
}

void ShowSortedChannelList(const MenuCommand& command) {
    if (IsWindowRecordListed(command.Window)) ShowChannelList(command.Window, command.Id);
}

// The view takes the width the nick list leaves, and gives it back.
void ToggleNickListShown(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    if (!record->NickList) return;
    record->NickListHidden = record->NickListHidden ? 0 : 1;
    ShowWindow(record->NickList, record->NickListHidden ? SW_HIDE : SW_SHOW);
    Relayout(record);
}

// The client starts right below the bar: each window takes the whole of it, so its bottom edge and
// input box stay in sight and no band is left empty above it.
void RestoreAllWindows(const MenuCommand&) {
    RECT area{};
    if (!ClientArea(area)) return;
    for (WindowRecord* r : WindowListSnapshot()) {
        OpenIcon(r->Window);
        SetWindowPos(r->Window, nullptr, 0, 0, area.right, area.bottom, SWP_SHOWWINDOW);
    }
}

// CloseWindow leaves child windows as they are, so MDI children would stay open.
void MinimiseAllWindows(const MenuCommand&) {
    RECT area{};
    if (!ClientArea(area)) return;
    for (WindowRecord* r : WindowListSnapshot()) ShowWindow(r->Window, SW_MINIMIZE);
}

// The system's CascadeWindows and TileWindows do nothing on some systems.
void CascadeChildWindows(const MenuCommand&) {
    RECT area{};
    if (HWND client = ClientArea(area)) SendMessageW(client, WM_MDICASCADE, 0, 0);
}

void TileChildWindows(const MenuCommand& command) {
    RECT area{};
    if (HWND client = ClientArea(area))
        SendMessageW(client, WM_MDITILE,
                     command.Id == ID_WINDOWS_TILE_HORIZONTALLY ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, 0);
}

void ArrangeWindowIcons(const MenuCommand&) {
    RECT area{};
    if (HWND client = ClientArea(area)) ArrangeIconicWindows(client);
}

void CopyViewSelection(const MenuCommand& command) {
    if (command.Window->View) SendMessageW(command.Window->View, WM_COPY, 0, 0);
}

void SearchWebForSelection(const MenuCommand& command) {
    const std::wstring selected = command.Window->View ? ViewSelection(command.Window) : std::wstring();
    if (!selected.empty()) OpenUrlInBrowser(WebSearchUrl(WideToNarrow(selected), false).c_str(), 1, false);
}

void CloseActiveWindow(const MenuCommand& command) {
    SendMessageW(command.Window ? command.Window->Window : command.Owner, WM_CLOSE, 0, 0);
}

void LookUpHost(const MenuCommand& command) {
    wchar_t host[1000] = {};
    if (!ui::PromptText(MainWindow.load(), kProgramTitle, GetLangString(kLookUpHostPrompt), host, 1000, 0))
        return;
    commands::ProcessInputLine(("/DNS " + WideToNarrow(host)).c_str(), command.Window);
}

void ToggleNickGroups(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    record->SortNicks = record->SortNicks ? 0 : 1;
    if (record->NickList) SendMessageW(record->NickList, LVM_ENABLEGROUPVIEW, record->SortNicks, 0);
    SortNickList(record);
}

void ClearWindow(const MenuCommand& command) {
    commands::ProcessInputLine("/clear", command.Window);
}

void RunLogMenuCommand(const MenuCommand& command) {
    RunLogCommand(command.Window, command.Id);
}

void ToggleSpeakIncoming(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    if (InitSpeechVoice()) {
        record->SpeakIncoming = record->SpeakIncoming ? 0 : 1;
        CheckChildToolbarButton(record, ID_SPEAK_INCOMING, record->SpeakIncoming != 0);
    }
    FocusInputBack(record);
}

void OpenServerFromMenu(const MenuCommand& command) {
    OpenConnectDialog(nullptr, command.Id);
}

void ToggleLightSensorMode(const MenuCommand&) {
    shell::ToggleLightSensor();
}

void ShowMainMenuGroupOf(const MenuCommand& command) {
    ShowMainMenuGroup(command.Id - ID_POPUP_GROUP_FIRST);
}

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
