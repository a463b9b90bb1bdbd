// "/runscript", "/define", "/undefine", the two destroy commands and the "/setuser" family.
#include "commands/client_command_handlers.h"

#include "common/script_number.h"
#include "common/text_compare.h"
#include "irc/remembered_user.h"
#include "irc/server_connection.h"
#include "script/script_interpreter.h"
#include "script/script_variables.h"
#include "core/client_services.h"
#include "core/record_guards.h"
#include "core/window_record.h"
#include "core/remote_text.h"
#include "commands/command_interpreter.h"

#include <mutex>
#include <string>

namespace {

std::string WithDollar(const std::string& name) {
    return !name.empty() && name[0] == '$' ? name : "$" + name;
}

// Removes the first variable of that name (ignoring case) from the list.
void DestroyVariable(ScriptVariableList* list, const std::string& name) {
    if (!list) return;
    for (auto it = list->begin(); it != list->end(); ++it) {
        if (!StringEqualsNoCase(it->Name, name)) continue;
        list->erase(it);
        return;
    }
}

// The scope word of "/define" and "/undefine"; 1 when there is none. A DCC chat window is
// refused unless the scope is the global one.
uint32_t ScopeWord(const CommandCall& call, size_t at) {
    const uint32_t scope =
        call.Words.size() > at ? static_cast<uint32_t>(ScriptValueToInt64(call.Words[at])) : kConnectionScope;
    if (scope != kGlobalScope) RejectWindowType(call.Target, kDccChatWindow);
    return scope;
}

} // namespace

uint64_t RunScriptCommand(const CommandCall& call) {
    std::string result;
    script::ExecuteScript(kScriptLinesMode, call.ConnectionWindow, call.Target, call.Words[1], call.Rest(2),
                          result, 0);
    return 1;
}

uint64_t DefineCommand(const CommandCall& call) {
    const uint32_t scope = ScopeWord(call, 3);
    if (scope != kConnectionScope && scope != kGlobalScope) return 1;
    ScriptVariableList locals;
    ScriptScopesWriteLock lock(ScriptScopesMutex());
    if (ScriptVariable* v =
            SetScriptVariable(locals, call.ConnectionWindow, WithDollar(call.Words[1]), call.Words[2], scope))
        NoteUsersValues(*v, !HasOutsideByte(call.WordMarks(2)));
    return 1;
}

uint64_t UndefineCommand(const CommandCall& call) {
    const uint32_t scope = ScopeWord(call, 2);
    const std::string name = WithDollar(call.Words[1]);
    std::string line;
    if (scope == kConnectionScope) line = "/destroystaticvariable " + name;
    if (scope == kGlobalScope) line = "/destroyglobalvariable " + name;
    return commands::ExecuteCommand(line.c_str(), call.ConnectionWindow, nullptr, nullptr);
}

uint64_t DestroyStaticVariableCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    ScriptScopesWriteLock lock(ScriptScopesMutex());
    DestroyVariable(ConnectionScriptVariables(call.ConnectionWindow), WithDollar(call.Words[1]));
    return 1;
}

uint64_t DestroyGlobalVariableCommand(const CommandCall& call) {
    ScriptScopesWriteLock lock(ScriptScopesMutex());
    DestroyVariable(&GlobalScriptVariables, WithDollar(call.Words[1]));
    return 1;
}

uint64_t SetUserCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    ServerConnection* connection = call.Connection;
    if (!connection) RefuseCommand();
    UserAddress query;
    query.Nick = call.Words[1];
    RememberedUser* user = FindRememberedUser(call.ConnectionWindow, query);
    if (!user) user = RememberUser(call.ConnectionWindow, UserAddress{call.Words[1], "", ""});
    if (!user) return 1;
    // The new value is the word after the nick (the rest of the line for texts).
    const std::string value = call.Rest(2);
    const uint32_t number = static_cast<uint32_t>(ScriptValueToInt64(value));
    std::lock_guard<std::mutex> lock(connection->RememberedUsersMutex);
    if (call.CommandIs("/setuserlevel")) user->Level = number;
    if (call.CommandIs("/setuserfriendlevel")) user->FriendLevel = number;
    if (call.CommandIs("/setuserenemylevel")) user->EnemyLevel = number;
    if (call.CommandIs("/setuserdata")) user->UserData = static_cast<uint64_t>(ScriptValueToInt64(value));
    if (call.CommandIs("/setuserident")) user->IdentPattern = value;
    if (call.CommandIs("/setuserdomain")) user->DomainPattern = value;
    if (call.CommandIs("/setuserstring")) user->UserText = value;
    return 1;
}
