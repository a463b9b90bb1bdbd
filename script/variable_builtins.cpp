// Built-ins that treat a script variable as a list (count, slice, erase, insert, join), test
// its scope, destroy it or make a popup menu of its values; split texts into lists; and read
// the parameters the script was started with. Positions are clamped to the values that exist,
// so no position ends the script; a variable never grows past the list's element limit.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/app_state.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "script/script_variables.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace {

// The most values a variable may hold.
constexpr uint64_t kMaxListValues = static_cast<uint64_t>(kMaxScriptListIndex) + 1;
constexpr uint32_t kFirstMenuCommand = 3001;
constexpr uint32_t kMenuCommandEnd = 4000;

std::atomic<uint32_t> NextMenuCommand{kFirstMenuCommand};

// Menu command ids run from 3001 to 3999 and start again.
uint32_t TakeMenuCommand() {
    uint32_t id = NextMenuCommand.load();
    uint32_t next = 0;
    do next = id + 1 >= kMenuCommandEnd ? kFirstMenuCommand : id + 1;
    while (!NextMenuCommand.compare_exchange_weak(id, next));
    return id;
}

// Argument 0 without one leading and one trailing apostrophe.
std::string VariableName(const BuiltinCall& call) {
    std::string name = Arg(call, 0);
    if (!name.empty() && name.front() == '\'') name.erase(0, 1);
    if (!name.empty() && name.back() == '\'') name.pop_back();
    return name;
}

ScriptVariable* Find(BuiltinCall& call, const std::string& name, uint32_t* scope = nullptr) {
    return FindScriptVariable(call.Locals, call.ConnectionWindow, name, scope);
}

uint32_t Items(BuiltinCall& call) {
    RequireArgs(call, 1);
    ScriptScopesReadLock lock(ScriptScopesMutex());
    const ScriptVariable* v = Find(call, VariableName(call));
    return v ? NumberResult(call, static_cast<int64_t>(v->Values.size())) : BareResult(call, "");
}

// A popup of the values added to the plug-in menus; its index in that list.
uint32_t AddMenu(BuiltinCall& call) {
    RequireArgs(call, 2);
    std::vector<std::string> values;
    {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        const ScriptVariable* v = Find(call, VariableName(call));
        if (!v) return BareResult(call, "0");
        values = v->Values;
    }
    if (values.empty()) return BareResult(call, "");
    HMENU popup = CreatePopupMenu();
    if (!popup) return BareResult(call, "");
    const UINT codePage = DefaultCodePage.load();
    for (const std::string& value : values)
        AppendMenuW(popup, MF_STRING, TakeMenuCommand(), NarrowToWide(value, codePage).c_str());
    const uint32_t count = AddPluginMenuEntry(reinterpret_cast<uint64_t>(popup), Arg(call, 1).c_str());
    if (count == 0) {
        DestroyMenu(popup);
        return BareResult(call, "");
    }
    RebuildActiveWindowMenu(0xFFFFFFFF);
    return NumberResult(call, static_cast<int64_t>(count) - 1);
}

// The entry leaves the list before its popup is destroyed, so no menu keeps a destroyed popup
// and the list never names one.
uint32_t RemoveMenu(BuiltinCall& call) {
    RequireArgs(call, 1);
    const uint32_t index = ArgLow32(call, 0);
    const uint64_t popup = PluginMenuEntryPopup(index);
    if (!popup) return BareResult(call, "");
    ErasePluginMenuEntry(index);
    RebuildActiveWindowMenu(0xFFFFFFFF);
    DestroyMenu(reinterpret_cast<HMENU>(popup));
    return BareResult(call, "");
}

// The values from start up to, not including, end (each the low 32 bits of its number), and
// not beyond the last value.
uint32_t Sub(BuiltinCall& call) {
    RequireArgs(call, 3);
    const uint64_t start = ArgLow32(call, 1);
    const uint64_t end = ArgLow32(call, 2);
    ScriptScopesReadLock lock(ScriptScopesMutex());
    const ScriptVariable* v = Find(call, VariableName(call));
    if (!v) return TextResult(call, "");
    const uint64_t last = std::min<uint64_t>(end, v->Values.size());
    std::vector<std::string> values;
    for (uint64_t i = start; i < last; ++i) values.push_back(v->Values[i]);
    return TextListResult(call, std::move(values));
}

// Positions start to end, both included; start stops at 0 and end at the last value. A
// variable keeps at least its scalar value.
uint32_t Erase(BuiltinCall& call) {
    RequireArgs(call, 3);
    const int64_t start = std::max<int64_t>(ArgNumber(call, 1), 0);
    const int64_t end = ArgNumber(call, 2);
    ScriptScopesWriteLock lock(ScriptScopesMutex());
    ScriptVariable* v = Find(call, VariableName(call));
    if (!v || v->Values.empty()) return BareResult(call, "");
    const int64_t last = std::min<int64_t>(end, static_cast<int64_t>(v->Values.size()) - 1);
    if (start > last) return BareResult(call, "");
    v->Values.erase(v->Values.begin() + static_cast<ptrdiff_t>(start),
                    v->Values.begin() + static_cast<ptrdiff_t>(last) + 1);
    if (v->Values.empty()) v->Values.emplace_back();
    return BareResult(call, "");
}

// Before the position; without one, with -1, with any other negative position or one past the
// end, at the end.
uint32_t Insert(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const int64_t position = HasArg(call, 2) ? ArgNumber(call, 2) : -1;
    const bool atEnd = position < 0 || ArgLow32(call, 2) == 0xFFFFFFFF;
    ScriptScopesWriteLock lock(ScriptScopesMutex());
    ScriptVariable* v = Find(call, VariableName(call));
    if (!v) return BareResult(call, "");
    if (v->Values.size() >= kMaxListValues) RefuseBuiltin();
    const size_t at =
        atEnd ? v->Values.size()
              : static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(position), v->Values.size()));
    v->Values.insert(v->Values.begin() + static_cast<ptrdiff_t>(at), Arg(call, 1));
    return BareResult(call, "");
}

// The parts of a text split at a separator outside quoted stretches.
uint32_t Vector(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    std::vector<std::string> parts;
    SplitQuoted(parts, Arg(call, 0), HasArg(call, 1) ? Arg(call, 1) : std::string(" "), true);
    return TextListOrOne(call, std::move(parts), 2);
}

uint32_t Join(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const std::string separator = HasArg(call, 1) ? Arg(call, 1) : std::string(" ");
    ScriptScopesReadLock lock(ScriptScopesMutex());
    const ScriptVariable* v = Find(call, VariableName(call));
    if (!v) return TextResult(call, "");
    std::string joined;
    for (size_t i = 0; i < v->Values.size(); ++i) {
        if (i) joined += separator;
        joined += v->Values[i];
    }
    return TextResult(call, std::move(joined));
}

template <const char* Command> uint32_t Destroy(BuiltinCall& call) {
    RequireArgs(call, 1);
    ProcessInputLine((std::string(Command) + " " + Arg(call, 0)).c_str(), call.ConnectionWindow);
    return BareResult(call, "");
}

constexpr char kDestroyStatic[] = "/destroystaticvariable";
constexpr char kDestroyGlobal[] = "/destroyglobalvariable";

// "1" when the variable the look-up finds lives in that scope; empty otherwise. The name is
// taken as items takes it, with its '$' put in front when missing (as the variable commands
// do): a '$' name written bare would have its value inserted before the call.
template <uint32_t Scope> uint32_t InScope(BuiltinCall& call) {
    RequireArgs(call, 1);
    std::string name = VariableName(call);
    if (name.empty() || name[0] != '$') name.insert(0, 1, '$');
    uint32_t scope = 0;
    ScriptScopesReadLock lock(ScriptScopesMutex());
    const bool found = Find(call, name, &scope) != nullptr;
    return BareResult(call, found && scope == Scope ? "1" : "");
}

std::vector<std::string> ParameterWords(const BuiltinCall& call) {
    std::vector<std::string> words;
    SplitQuoted(words, call.Parameters, " ", false);
    return words;
}

uint32_t ParameterAt(BuiltinCall& call) {
    RequireArgs(call, 1);
    const uint32_t position = ArgLow32(call, 0);
    const std::vector<std::string> words = ParameterWords(call);
    return TextResult(call, position < words.size() ? words[position] : std::string());
}

uint32_t ParameterCount(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int64_t>(ParameterWords(call).size()));
}

// At most count parts (the low 32 bits of its number), the last keeping the rest of the text;
// -1 splits at every separator.
uint32_t Parameter(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const std::string separator = HasArg(call, 2) ? Arg(call, 2) : std::string(" ");
    std::vector<std::string> parts;
    const uint32_t count = ArgLow32(call, 1);
    if (count == 0xFFFFFFFF) {
        SplitQuoted(parts, Arg(call, 0), separator, false);
    } else {
        SplitString(parts, Arg(call, 0), count > 1 ? count - 1 : 0, separator);
    }
    return TextListOrOne(call, std::move(parts), 3);
}

const BuiltinEntry kRows[] = {
    {"items", Items},
    {"addmenu", AddMenu},
    {"removemenu", RemoveMenu},
    {"sub", Sub},
    {"erase", Erase},
    {"insert", Insert},
    {"vector", Vector},
    {"join", Join},
    {"DestroyStaticVariable", Destroy<kDestroyStatic>},
    {"DestroyGlobalVariable", Destroy<kDestroyGlobal>},
    {"IsStaticVariable", InScope<kConnectionScope>},
    {"IsGlobalVariable", InScope<kGlobalScope>},
    {"IsLocalVariable", InScope<kLocalScope>},
    {"argv", ParameterAt},
    {"argc", ParameterCount},
    {"GetParameter", Parameter},
};

} // namespace

std::span<const BuiltinEntry> VariableBuiltins() {
    return kRows;
}
