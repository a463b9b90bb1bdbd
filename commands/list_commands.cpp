// The user-list commands ("/ignore" and its kind), "/plugin", "/loadplugins" and
// "/unloadplugins".
#include "commands/client_command_handlers.h"

#include "commands/plugin_host.h"
#include "common/script_number.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "core/user_lists.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"
#include "core/remote_text.h"
#include "commands/command_interpreter.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

UserListId ListOfCommand(const CommandCall& call) {
    if (call.CommandIs("/ignore")) return kIgnoreList;
    if (call.CommandIs("/notify")) return kNotifyList;
    if (call.CommandIs("/blacklist")) return kBlackList;
    if (call.CommandIs("/autoop")) return kAutoOpList;
    if (call.CommandIs("/autovp") || call.CommandIs("/autovoice")) return kAutoVoiceList;
    return kTalkNotifyList;
}

// A third word of n minutes (not 0) removes an entry the line added again after that time, with
// a quiet timer without a name. While one such timer waits no other can be made, as it would
// have the same empty name: a second timed entry stays until it is removed.
void RemoveLater(const CommandCall& call, const std::string& mask) {
    if (call.Words.size() != 3) return;
    const uint32_t minutes = static_cast<uint32_t>(ScriptValueToInt64(call.Words[2]));
    if (minutes == 0) return;
    const uint32_t interval = minutes * 60000u;
    // The mask is word 1 without its "+".
    const std::string maskMarks = call.WordMarks(1);
    const size_t plus = maskMarks.size() >= mask.size() ? maskMarks.size() - mask.size() : 0;
    MarkedLine line;
    line.Own("/timer * 1 " + std::to_string(interval) + " " + call.Command() + " -")
        .Marked(mask, maskMarks.substr(plus));
    const LineMarksScope marks(line.Text, line.Marks);
    commands::ExecuteCommand(line.Text.c_str(), call.ConnectionWindow, call.Target, nullptr);
}

} // namespace

uint64_t UserListCommand(const CommandCall& call) {
    const UserListId list = ListOfCommand(call);
    std::string mask = call.Words[1];
    if (mask[0] == '-') {
        if (RemoveUserListEntry(list, mask.substr(1))) SaveUserList(list);
        return 1;
    }
    if (mask[0] == '+') mask.erase(0, 1);
    if (mask.empty()) return 1;
    AddUserListEntry(list, mask);
    SaveUserList(list);
    RemoveLater(call, mask);
    return 1;
}

uint64_t PluginPathCommand(const CommandCall& call) {
    std::wstring path = NarrowToWide(call.Words[1]);
    // A quoted path ("+\"C:\\x.dll\"") is taken without its quotes.
    const size_t sign = path[0] == L'-' || path[0] == L'+' ? 1 : 0;
    if (path.size() >= sign + 2 && path[sign] == L'"' && path.back() == L'"') {
        path.pop_back();
        path.erase(sign, 1);
    }
    std::vector<std::wstring> paths = PluginPaths();
    if (path[0] == L'-') {
        auto found = std::find(paths.begin(), paths.end(), path.substr(1));
        if (found == paths.end()) return 1;
        paths.erase(found);
    } else {
        if (path[0] == L'+') path.erase(0, 1);
        if (path.empty()) return 1;
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
    }
    std::wstring joined;
    for (const std::wstring& entry : paths) joined += (joined.empty() ? L"" : L" ") + entry;
    SetPluginPaths(std::move(paths));
    XmlWriteProfileWideString(Settings::Keys::InstalledPlugins.Section, Settings::Keys::InstalledPlugins.Key,
                              joined.c_str(), nullptr, UserConfigDocument);
    if (call.Words[1][0] != '-')
        RemoveLater(call, call.Words[1][0] == '+' ? call.Words[1].substr(1) : call.Words[1]);
    return 1;
}

uint64_t LoadPluginsCommand(const CommandCall&) {
    if (LoadedPluginCount() == 0) LoadPlugins();
    return 1;
}

uint64_t UnloadPluginsCommand(const CommandCall& call) {
    UnloadPlugins(call.Words.size() > 1 ? static_cast<uint32_t>(ScriptValueToInt64(call.Words[1]))
                                        : 0xFFFFFFFF);
    return 1;
}
