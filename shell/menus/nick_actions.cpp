// The commands that act on users: the selected nicks of a channel's nick list or a query's
// partner, and the items the popups got from scripts and links.
#include "commands/input_dispatcher.h"
#include "common/command_ids.h"
#include "common/owned_job_thread.h"
#include "common/app_state.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/frame_handles.h"
#include "core/script_mode.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc_lines/channel_nicks.h"
#include "peer/dcc_send_dialog.h"
#include "script/script_interpreter.h"
#include "shell/menus/menu_command_handlers.h"
#include "shell/menus/menu_command_table.h"
#include "shell/controls/current_popup.h"
#include "shell/controls/nick_list.h"
#include "shell/controls/script_entries.h"
#include "ui/prompt_dialogs.h"
#include "ui/server_dialogs.h"

#include <process.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kOwnerLevel = 4, kOperatorLevel = 3, kVoiceLevel = 2;

// A nick from the list as one word of a line: never a line break or a NUL that would end the
// line and start another.
std::string AsLineWord(const std::wstring& nick, UINT codePage) {
    std::string word = WideToNarrow(nick, codePage);
    std::erase_if(word, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    return word;
}

std::vector<std::wstring> SelectedNicks(const WindowRecord* record) {
    std::vector<std::wstring> nicks;
    if (record->NickList) GetSelectedNicks(record->NickList, nicks, false, false);
    return nicks;
}

uint32_t LevelOf(WindowRecord* channel, const std::string& nick) {
    return GetNickLevel(nick.c_str(), channel, nullptr, nullptr, nullptr, nullptr);
}

void SendLine(const std::string& line, WindowRecord* server) {
    if (!line.empty() && line[0] == '/')
        commands::ProcessInputLine(line.c_str(), server);
    else
        SendServerLine(line, server, 0);
}

struct ModeAction {
    char Letter;
    uint32_t Level;
};

ModeAction ModeOf(uint32_t id) {
    return id == ID_NICK_OWNER      ? ModeAction{'q', kOwnerLevel}
           : id == ID_NICK_OPERATOR ? ModeAction{'o', kOperatorLevel}
                                    : ModeAction{'v', kVoiceLevel};
}

// The line per nick of the list commands: an addition and a removal per list, and the host
// look-up between them.
std::string ListLine(uint32_t id, const std::string& nick) {
    static const char* const kLists[] = {"/notify ",  "/ignore ", "/blacklist ", "/raw silence ",
                                         "/nottalk ", "/autoop ", "/autovp "};
    if (id == ID_NICK_LOOK_UP_HOST) return "/dns " + nick + "\r\n";
    const uint32_t offset = id < ID_NICK_LOOK_UP_HOST ? id - ID_NICK_NOTIFY_ADD : id - ID_NICK_NOTIFY_ADD - 1;
    if (offset / 2 >= std::size(kLists)) return {};
    return std::string(kLists[offset / 2]) + (offset % 2 == 0 ? "+" : "-") + nick + "\r\n";
}

// With Shift the whole selection changes in lines of at most the modes the server takes in one
// line (its MODES, 3 when it did not say); the sign follows the first nick's level.
void ModeLinesForSelection(WindowRecord* record, uint32_t id, const std::vector<std::string>& nicks) {
    const ModeAction mode = ModeOf(id);
    const ServerConnection* connection = ConnectionOfWindow(record);
    uint32_t perLine = connection ? connection->ModeRules.Get().ModesPerLine : 3;
    if (perLine == 0) perLine = static_cast<uint32_t>(nicks.size());
    const char sign = LevelOf(record, nicks.front()) == mode.Level ? '-' : '+';
    for (size_t first = 0; first < nicks.size(); first += perLine) {
        const size_t count = std::min<size_t>(perLine, nicks.size() - first);
        std::string line = "MODE " + record->Name + " " + sign + std::string(count, mode.Letter) + " ";
        for (size_t i = first; i < first + count; ++i) line += nicks[i] + " ";
        SendServerLine(line + "\r\n", record->Server, 0);
    }
}

} // namespace

void RunChannelNickAction(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    const uint32_t id = command.Id;
    if (record->Type != kChannelWindow || !record->Server) return;
    std::vector<std::string> nicks;
    for (const std::wstring& nick : SelectedNicks(record)) {
        const std::string word = AsLineWord(nick, DefaultCodePage.load());
        if (!word.empty() && LevelOf(record, word) > 0) nicks.push_back(word);
    }
    if (id == ID_NICK_KICK) {
        if (!nicks.empty()) {
            std::vector<std::wstring> wide;
            for (const std::string& nick : nicks) wide.push_back(NarrowToWide(nick, DefaultCodePage.load()));
            ui::OpenKickDialog(command.Owner, record, wide);
        }
        return;
    }
    if (id <= ID_NICK_VOICE && !nicks.empty() && GetKeyState(VK_SHIFT) < 0) {
        ModeLinesForSelection(record, id, nicks);
    } else {
        for (const std::string& nick : nicks) {
            std::string line;
            if (id <= ID_NICK_VOICE) {
                const ModeAction mode = ModeOf(id);
                line = "MODE " + record->Name + (LevelOf(record, nick) == mode.Level ? " -" : " +") +
                       mode.Letter + " " + nick + "\r\n";
            } else {
                line = ListLine(id, nick);
            }
            if (!line.empty()) SendLine(line, record->Server);
        }
    }
    FocusInputBack(record);
}

namespace {

// The line each user action runs for a target: the words before it, and after it (the request
// the user types for another CTCP follows).
struct UserLineForm {
    uint32_t Id;
    const char* Before;
    const char* After;
};
constexpr UserLineForm kUserLines[] = {
    {ID_USER_WHOIS, "/RAW WHOIS ", ""},           {ID_USER_QUERY, "/QUERY ", ""},
    {ID_USER_CTCP_VERSION, "/CTCP ", " VERSION"}, {ID_USER_CTCP_TIME, "/CTCP ", " TIME"},
    {ID_USER_CTCP_PING, "/CTCP ", " PING"},       {ID_USER_CTCP_FINGER, "/CTCP ", " FINGER"},
    {ID_USER_CTCP_OTHER, "/CTCP ", " "},          {ID_USER_DCC_CHAT, "/DCC ", " chat"},
    {ID_USER_DCC_TLS_CHAT, "/DCC ", " sslchat"},
};

const UserLineForm* UserLineOf(uint32_t id) {
    for (const UserLineForm& form : kUserLines)
        if (form.Id == id) return &form;
    return nullptr;
}

std::wstring PopupItemText(UINT id) {
    wchar_t text[1001] = {};
    if (CurrentPopupMenu) GetMenuStringW(CurrentPopupMenu, id, text, 1000, MF_BYCOMMAND);
    return text;
}

struct PopupScriptJob {
    std::string Code;
    std::string Parameters;
    WindowRecord* Window;
};

// A popup's script runs on a thread of its own, as a typed trigger's does, so a long script never
// holds the interface thread.
unsigned __stdcall RunPopupScriptThread(void* argument) {
    std::unique_ptr<PopupScriptJob> job(static_cast<PopupScriptJob*>(argument));
    try {
        if (IsWindowRecordListed(job->Window)) {
            std::string result;
            script::ExecuteScript(kScriptLinesMode, job->Window->Server, job->Window, job->Code,
                                  job->Parameters, result, 0);
        }
    } catch (...) {
        // nothing may leave a thread procedure
    }
    return 0;
}

void StartPopupScript(const ScriptEntry& entry, const std::string& parameters, WindowRecord* window) {
    auto* job = new PopupScriptJob{entry.Code, parameters, window};
    StartOwnedJobThread(RunPopupScriptThread, job);
}

// The script entry behind a popup item: the nick popup numbers its items by the entry's place
// among all scripts, a view popup counts only those it shows for the window type.
const ScriptEntry* PopupScriptEntry(const std::vector<ScriptEntry>& entries, uint32_t kind, uint32_t id) {
    const uint32_t number = id - ID_SCRIPT_ITEM_FIRST;
    uint32_t shown = 0;
    for (const ScriptEntry& entry : entries) {
        if (entry.TriggerType != 0) continue;
        if (kind == 5) {
            if (entry.NickPopup && entry.Position == number) return &entry;
        } else if (kind >= 1 && kind <= 4 && entry.WindowPopup[kind]) {
            if (shown++ == number) return &entry;
        }
    }
    return nullptr;
}

} // namespace

// The user actions on each target: the channel's selected nicks, or the window's own partner.
void RunUserAction(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    const UserLineForm* form = UserLineOf(command.Id);
    if (!form) return;
    std::string request;
    if (command.Id == ID_USER_CTCP_OTHER) {
        wchar_t text[100] = {};
        if (!ui::PromptText(MainWindow.load(), kProgramTitle, L"CTCP?", text, 100, 0)) return;
        request = AsLineWord(text, DefaultCodePage.load());
    }
    std::vector<std::string> targets;
    if (record->Type == kChannelWindow) {
        for (const std::wstring& nick : SelectedNicks(record))
            targets.push_back(AsLineWord(nick, DefaultCodePage.load()));
    } else {
        targets.push_back(record->Name);
    }
    WindowRecord* server = record->Server ? record->Server : record;
    for (const std::string& target : targets)
        commands::ProcessInputLine((form->Before + target + form->After + request + "\r\n").c_str(), server);
}

void OfferFileToUser(const MenuCommand& command) {
    if (command.Window->Server) peer::OpenDccSendDialog(command.Owner, command.Window);
}

// The item's script runs with the trigger and each selected nick (or the window's name) as its
// parameters: values the script reads, never text it runs.
void RunScriptPopupItem(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    const uint32_t id = command.Id;
    if (!CurrentPopupMenu) return;
    const uint32_t kind = CurrentPopupKind;
    ReplaceCurrentPopup(nullptr, 0);
    if (!record) return;
    const std::vector<ScriptEntry> entries = ReadScriptEntries();
    const ScriptEntry* entry = PopupScriptEntry(entries, kind, id);
    if (!entry || !entry->Enabled || entry->Code.empty()) return;
    if (kind == 5) {
        for (const std::wstring& nick : SelectedNicks(record))
            StartPopupScript(*entry, entry->Trigger + " " + AsLineWord(nick, CP_UTF8), record);
    } else {
        StartPopupScript(*entry, entry->Trigger + " " + record->Name, record);
    }
}

void RunCommandPopupItem(const MenuCommand& command) {
    if (!CurrentPopupMenu) return;
    std::vector<std::wstring> parts;
    SplitStringW(parts, PopupItemText(command.Id), kSplitUnlimited, L"|||");
    if (parts.size() == 2) commands::ProcessInputLine(WideToNarrow(parts[1]).c_str(), command.Window);
    ReplaceCurrentPopup(nullptr, 0);
}
