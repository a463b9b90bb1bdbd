// "/run", "/shellexecute", "/fetch", "/sfetch", "/play", "/dns", "/protect" and "/deprotect":
// work that runs outside the command.
#include "commands/client_command_handlers.h"

#include "common/owned_job_thread.h"
#include "common/aes_file.h"
#include "common/app_state.h"
#include "common/script_number.h"
#include "common/shell_helpers.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc/remembered_user.h"
#include "irc_lines/channel_nicks.h"
#include "irc_lines/dns_lookup.h"
#include "core/client_services.h"
#include "core/window_record.h"
#include "commands/command_interpreter.h"

#include <process.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// The text split at ',': the first part and, when there are exactly two, the second.
void FileAndParameters(const std::wstring& text, std::wstring& file, std::wstring& parameters) {
    std::vector<std::wstring> parts;
    SplitStringW(parts, text, kSplitUnlimited, L",");
    file = parts[0];
    parameters = parts.size() == 2 ? parts[1] : std::wstring();
}

} // namespace

uint64_t RunCommand(const CommandCall& call) {
    std::wstring file, parameters;
    FileAndParameters(RestWide(call, 1), file, parameters);
    ShellExecuteW(MainWindow.load(), L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                  nullptr, SW_SHOWNORMAL);
    return 1;
}

uint64_t ShellExecuteCommand(const CommandCall& call) {
    std::wstring file, parameters;
    FileAndParameters(RestWide(call, 2), file, parameters);
    const std::wstring verb = NarrowToWide(call.Words[1]);
    ShellOpen(file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), verb.c_str());
    return 1;
}

uint64_t FetchCommand(const CommandCall& call) {
    // "/fetch" and "/sfetch" download alike.
    StartDownload(NarrowToWide(call.Words[1]), RestWide(call, 2));
    return 1;
}

uint64_t PlayCommand(const CommandCall& call) {
    std::vector<std::string> words;
    SplitQuoted(words, call.Line, " ", true);
    auto* wide = new std::vector<std::wstring>;
    for (size_t i = 1; i < words.size(); ++i) wide->push_back(NarrowToWide(words[i]));
    StartOwnedJobThread(&MediaPlayThread, wide);
    return 1;
}

uint64_t DnsCommand(const CommandCall& call) {
    const auto& words = call.Words;
    std::string name = words[1];
    WindowRecord* target = call.Target;
    if (target && target->Type == kChannelWindow &&
        GetNickLevel(name.c_str(), target, nullptr, nullptr, nullptr, nullptr)) {
        UserAddress query;
        query.Nick = name;
        if (FindRememberedUser(call.ConnectionWindow, query) && !query.Host.empty()) {
            name = query.Host;
        } else {
            if (words.size() != 2) return 1;
            SendCommandLine("USERHOST " + name, call.ConnectionWindow);
            const std::string retry = "/TIMER ** 1 5 /DNS " + name + " *";
            commands::ExecuteCommand(retry.c_str(), call.ConnectionWindow, target, nullptr);
            return 1;
        }
    }
    std::vector<uint32_t> types;
    if (words.size() == 2)
        types = {kDnsTypeA, kDnsTypePtr, kDnsTypeAaaa};
    else
        for (size_t i = 2; i < words.size(); ++i)
            types.push_back(static_cast<uint32_t>(ScriptValueToInt64(words[i])));
    StartDnsLookup(target, NarrowToWide(name), types, 0, 0, nullptr);
    return 1;
}

uint64_t ProtectCommand(const CommandCall& call) {
    CryptFileWithPassphrase(NarrowToWide(call.Words[1]), NarrowToWide(call.Words[2]), call.Rest(3),
                            call.CommandIs("/deprotect"));
    return 1;
}
