#include "common/text_compare.h"
#include "script/script_variables.h"

#include "irc/server_connection.h"
#include "script/script_expression.h"
#include "script/script_reports.h"
#include "core/window_record.h"

ScriptVariableList GlobalScriptVariables;

ScriptScopesLock& ScriptScopesMutex() {
    static ScriptScopesLock lock;
    return lock;
}

ScriptVariableList* ConnectionScriptVariables(WindowRecord* window) {
    if (!window) return nullptr;
    WindowRecord* server = window->Server ? window->Server : window;
    ServerConnection* connection = server->Connection ? server->Connection : window->Connection;
    return connection ? &connection->Variables : nullptr;
}

namespace {

ScriptVariable* FindIn(ScriptVariableList* list, const std::string& name) {
    if (!list) return nullptr;
    for (ScriptVariable& v : *list)
        if (StringEqualsNoCase(v.Name, name)) return &v;
    return nullptr;
}

bool IsWordChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '\'';
}

// Whole-word rule of the insertion: the name must not run on into a word or an index.
bool EndsWord(const std::string& text, size_t at) {
    return at >= text.size() || (!IsWordChar(text[at]) && text[at] != '[');
}

struct Match {
    size_t Length = 0;
    const ScriptVariable* Variable = nullptr;
    int64_t Element = -1; // -1 scalar, -2 whole list, else the element index
};

// The one form of the variable that stands at position at, if any.
bool MatchVariable(const ScriptText& text, size_t at, const ScriptVariable& v, bool keepTarget,
                   Match& match) {
    const std::string& t = text.Text;
    const std::string& name = v.Name;
    if (name.empty() || !text.WrittenMatch(at, name)) return false;
    size_t after = at + name.size();
    if (EndsWord(t, after)) {
        if (keepTarget && StartsWithNoCase(t, name)) return false;
        match = {name.size(), &v, -1};
        return true;
    }
    if (!text.WrittenAt(after, '[')) return false;
    size_t close = t.find(']', after);
    if (close == std::string::npos || !text.IsWritten(close)) return false;
    std::string_view inside(t.data() + after + 1, close - after - 1);
    if (!EndsWord(t, close + 1)) return false;
    if (keepTarget && StartsWithNoCase(t, std::string_view(t.data() + at, close + 1 - at))) return false;
    if (inside == "*") {
        if (!v.IsList || !text.IsWritten(after + 1)) return false;
        match = {close + 1 - at, &v, -2};
        return true;
    }
    // Only the canonical decimal form of an existing index names an element.
    if (inside.empty() || inside.size() > 10 || (inside.size() > 1 && inside[0] == '0')) return false;
    uint64_t index = 0;
    for (size_t i = 0; i < inside.size(); ++i) {
        char c = inside[i];
        if (c < '0' || c > '9' || !text.IsWritten(after + 1 + i)) return false;
        index = index * 10 + static_cast<uint64_t>(c - '0');
    }
    if (index >= v.Values.size()) return false;
    match = {close + 1 - at, &v, static_cast<int64_t>(index)};
    return true;
}

void AppendMatch(ScriptText& out, const Match& m, bool lineQuotes) {
    const ScriptVariable& v = *m.Variable;
    const bool quote = lineQuotes && !v.IsNumeric;
    const ValueSource source = HoldsUsersValues(v) ? ValueSource::Own : ValueSource::Inserted;
    if (m.Element >= 0) {
        AppendValue(out, v.Values[static_cast<size_t>(m.Element)], quote, source);
        return;
    }
    if (m.Element == -1) {
        AppendValue(out, v.Values[0], quote, source);
        return;
    }
    if (quote) out.AppendWritten('"');
    out.AppendWritten('{');
    for (size_t i = 0; i < v.Values.size(); ++i) {
        if (i) out.AppendWritten(',');
        AppendValue(out, v.Values[i], !v.IsNumeric, source);
    }
    out.AppendWritten('}');
    if (quote) out.AppendWritten('"');
}

} // namespace

ScriptVariable* FindScriptVariable(ScriptVariableList& locals, WindowRecord* window, const std::string& name,
                                   uint32_t* scope) {
    ScriptVariableList* lists[3] = {&locals, ConnectionScriptVariables(window), &GlobalScriptVariables};
    for (uint32_t s = 0; s < 3; ++s) {
        if (ScriptVariable* v = FindIn(lists[s], name)) {
            if (scope) *scope = s;
            return v;
        }
    }
    return nullptr;
}

ScriptVariable* SetScriptVariable(ScriptVariableList& locals, WindowRecord* window, const std::string& name,
                                  const std::string& value, uint32_t scope) {
    if (ScriptVariable* existing = FindScriptVariable(locals, window, name, nullptr)) return existing;
    ScriptVariableList* list = scope == kLocalScope        ? &locals
                               : scope == kConnectionScope ? ConnectionScriptVariables(window)
                                                           : &GlobalScriptVariables;
    if (!list) return nullptr;
    ScriptVariable v;
    v.Name = name;
    v.Values[0] = value;
    const bool numeric = IsNumericText(value);
    v.IsText = !value.empty() && !numeric;
    v.IsNumeric = !value.empty() && numeric;
    list->push_back(std::move(v));
    return &list->back();
}

void ExpandVariables(ScriptVariableList& locals, WindowRecord* connectionWindow, WindowRecord*,
                     ScriptText& text, uint8_t noQuotes, uint8_t keepTarget, uint8_t debug) {
    bool any = false;
    for (size_t i = 0; i < text.Size() && !any; ++i) any = text.WrittenAt(i, '$');
    if (!any) return;
    const char first = text.Empty() ? 0 : text.Text[0];
    const bool lineQuotes = !noQuotes && first != '/' && first != '\\';

    // The text is copied only once a variable was found, in runs up to each match.
    ScriptText out;
    size_t copied = 0;
    bool changed = false;
    {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        const ScriptVariableList* lists[3] = {&locals, ConnectionScriptVariables(connectionWindow),
                                              &GlobalScriptVariables};
        const std::string& t = text.Text;
        for (size_t i = 0; i < t.size(); ++i) {
            Match m;
            bool found = false;
            if (text.WrittenAt(i, '$') && (i == 0 || !IsWordChar(t[i - 1]))) {
                // Scalars before lists, each in scope order: the first that fits here wins.
                for (int pass = 0; pass < 2 && !found; ++pass)
                    for (const ScriptVariableList* list : lists) {
                        if (!list || found) continue;
                        for (const ScriptVariable& v : *list) {
                            if ((v.IsList != 0) != (pass == 1)) continue;
                            if (MatchVariable(text, i, v, keepTarget != 0, m)) {
                                found = true;
                                break;
                            }
                        }
                    }
            }
            if (!found) continue;
            if (!changed) {
                out.Text.reserve(text.Size() + 32);
                out.Inserted.reserve(text.Size() + 32);
            }
            out.AppendFrom(text, copied, i - copied);
            AppendMatch(out, m, lineQuotes);
            i += m.Length - 1;
            copied = i + 1;
            changed = true;
        }
    }
    if (!changed) return;
    out.AppendFrom(text, copied, std::string::npos);
    text = std::move(out);
    // The echo is printed once the lock is released: printing may wait for the interface thread.
    if (debug) PrintScriptLine(connectionWindow, text.Text);
}
