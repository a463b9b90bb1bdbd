#include "common/text_compare.h"
#include "script/builtin_dispatch.h"
#include "script/builtin_families.h"

#include "common/app_state.h"
#include "common/refusal.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "script/function_calls.h"
#include "script/script_expression.h"
#include "script/script_reports.h"
#include "core/remote_text.h"
#include "core/window_list.h"

#include <unordered_map>

namespace {

ServerConnection* ConnectionOf(WindowRecord* connectionWindow) {
    if (!connectionWindow || !connectionWindow->Server) return nullptr;
    return connectionWindow->Server->Connection;
}

// Outer blanks (code 32 only) go, then every leading and trailing double quote; the quoted flag
// tells whether the argument was a quoted text.
uint32_t NormaliseArgument(ScriptText& argument) {
    argument.TrimLeft(" ");
    argument.TrimRight(" ");
    const std::string& t = argument.Text;
    const uint32_t quoted = t.size() > 2 && t.front() == '"' && t.back() == '"' ? 1 : 0;
    argument.TrimLeft("\"");
    argument.TrimRight("\"");
    return quoted;
}

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
    return folded;
}

// The program's table is looked up through an index of its folded names that keeps the first
// row of each name; other tables (the tests') are walked in order.
const BuiltinEntry* FindBuiltin(std::span<const BuiltinEntry> table, const std::string& name) {
    static const std::span<const BuiltinEntry> program = BuiltinTable();
    if (table.data() == program.data() && table.size() == program.size()) {
        static const auto index = [] {
            std::unordered_map<std::string, const BuiltinEntry*> rows;
            for (const BuiltinEntry& entry : program)
                if (entry.Name) rows.emplace(Folded(entry.Name), &entry);
            return rows;
        }();
        auto found = index.find(Folded(name));
        return found == index.end() ? nullptr : found->second;
    }
    for (const BuiltinEntry& entry : table)
        if (entry.Name && StringEqualsNoCase(entry.Name, name)) return &entry;
    return nullptr;
}

// The first capability argument of the entry that holds a byte from outside; null when there
// is none.
const ScriptText* OutsideCapabilityArgument(const BuiltinEntry& entry,
                                            const std::vector<ScriptText>& marked) {
    for (size_t i = 0; i < marked.size(); ++i) {
        const bool capability = i >= 32 ? entry.Capability == kEveryArgument : (entry.Capability >> i) & 1u;
        if (capability && marked[i].HoldsOutsideByte()) return &marked[i];
    }
    return nullptr;
}

bool AnyOutsideByte(const std::vector<ScriptText>& marked) {
    for (const ScriptText& argument : marked)
        if (argument.HoldsOutsideByte()) return true;
    return false;
}

} // namespace

uint32_t CallBuiltinFunction(std::span<const BuiltinEntry> table, WindowRecord* connectionWindow,
                             WindowRecord* window, const std::string& scriptLine, ScriptVariableList& locals,
                             const std::string& calledName, std::vector<ScriptText>& marked,
                             std::vector<std::string>& results, const std::string& parameters,
                             bool* resultFromOutside) {
    std::vector<uint32_t> quoted;
    std::vector<std::string> arguments;
    quoted.reserve(marked.size());
    arguments.reserve(marked.size());
    for (ScriptText& argument : marked) {
        quoted.push_back(NormaliseArgument(argument));
        arguments.push_back(argument.Text);
    }
    std::string name = calledName;
    const bool alias = ResolveFunctionAlias(name, arguments);
    if (alias) quoted.resize(arguments.size(), 0);
    results.emplace_back();

    BuiltinCall call{connectionWindow, window, scriptLine, locals,     name,
                     arguments,        quoted, results,    parameters, ConnectionOf(connectionWindow)};
    if (resultFromOutside) *resultFromOutside = HandlingRemoteText() && AnyOutsideByte(marked);
    uint32_t code = 0;
    try {
        if (const BuiltinEntry* entry = FindBuiltin(table, name)) {
            if (entry->RefusedUnderMark && entry->RefusedUnderMark(call)) {
                if (const ScriptText* outside = OutsideCapabilityArgument(*entry, marked)) {
                    ReportRefusedForRemoteText(window ? window : connectionWindow, name, outside->Text);
                    return 0;
                }
            }
            if (resultFromOutside && HandlingRemoteText() && BuiltinReadsOutsideText(entry))
                *resultFromOutside = true;
            code = entry->Handler(call);
        } else if (name.empty() && marked.size() == 1 && !alias) {
            // A parenthesised group: the value of its one expression, quoted when it is text.
            return EvaluateExpression(marked[0], results[0], kNoValue);
        } else {
            throw static_cast<int>(kInvalidFunction);
        }
    } catch (int error) {
        if (error == kRefused) ThrowScriptError(connectionWindow, scriptLine, kWrongArgumentCountMessage);
        if (error == kInvalidFunction)
            ThrowScriptError(connectionWindow, scriptLine, kInvalidFunctionMessage);
        return 0; // any other code ends the built-in quietly
    }
    if (call.HasWideResult && !results.empty())
        results[0] = WideToNarrow(call.WideResult, call.WideResultUtf8 ? CP_UTF8 : DefaultCodePage.load());
    return code;
}

uint32_t CallBuiltinFunction(WindowRecord* connectionWindow, WindowRecord* window,
                             const std::string& scriptLine, ScriptVariableList& locals,
                             const std::string& name, std::vector<std::string>& arguments,
                             std::vector<std::string>& results, const std::string& parameters) {
    std::vector<ScriptText> marked;
    marked.reserve(arguments.size());
    for (const std::string& a : arguments) marked.emplace_back(a);
    uint32_t code = CallBuiltinFunction(BuiltinTable(), connectionWindow, window, scriptLine, locals, name,
                                        marked, results, parameters);
    arguments.clear();
    for (ScriptText& m : marked) arguments.push_back(std::move(m.Text));
    return code;
}

bool RefusedForRemoteText(const BuiltinCall&) {
    return true;
}

WindowRecord* FindScriptWindow(const std::string& name, WindowRecord* connectionWindow, bool allowMissing) {
    uint32_t index = FindWindowRecordIndex(name, ConnectionOf(connectionWindow));
    WindowRecord* record = index == kNoWindowIndex ? nullptr : GetWindowRecordAt(index);
    if (!record && !allowMissing) throw static_cast<int>(kRefused);
    return record;
}

void CheckScriptArgCount(const std::vector<std::string>& arguments, uint32_t needed, bool exact) {
    if (arguments.size() < needed || (exact && arguments.size() != needed)) throw static_cast<int>(kRefused);
}
