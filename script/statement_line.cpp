// The statement line: an assignment to a variable, a "/" command or a text line.
#include "core/client_services.h"
#include "common/script_number.h"
#include "common/text_compare.h"
#include "core/remote_text.h"
#include "script/function_calls.h"
#include "script/script_expression.h"
#include "script/script_variables.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

constexpr size_t kMaxUsersValueBytes = 65536;

bool IsNameChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct Assignment {
    std::string Target;
    int64_t Index = 0;
    std::string Operator;
    uint32_t Kind = kNoValue;
    std::string Value;
    std::vector<std::string> Pieces; // a list value
    bool PiecesQuoted = false;
};

// A braced list: pieces cut at commas outside quotes, each without its leading blanks, the
// braces at the ends and one enclosing pair of double quotes.
void SplitListValue(const ScriptText& value, Assignment& a) {
    std::vector<ScriptText> pieces;
    SplitScriptText(pieces, value, ",", true);
    for (size_t i = 0; i < pieces.size(); ++i) {
        ScriptText& p = pieces[i];
        p.TrimLeft(" \t");
        if (i == 0 && p.SyntaxAt(0, '{')) p.Erase(0, 1);
        if (i + 1 == pieces.size() && p.Size() && p.SyntaxAt(p.Size() - 1, '}')) p.Erase(p.Size() - 1, 1);
        if (p.SyntaxAt(0, '"')) {
            a.PiecesQuoted = true;
            p.Erase(0, 1);
        }
        if (p.Size() && p.SyntaxAt(p.Size() - 1, '"')) p.Erase(p.Size() - 1, 1);
        a.Pieces.push_back(std::move(p.Text));
    }
    if (a.Pieces.empty()) a.Pieces.emplace_back();
}

void Apply(ScriptVariable& v, const Assignment& a) {
    if (a.Kind == kListValue) {
        if (a.Operator != "=") return;
        v.Values = a.Pieces;
        v.IsList = 1;
        v.IsText = a.PiecesQuoted ? 1 : 0;
        v.IsNumeric = v.IsText ? 0 : 1;
        return;
    }
    const size_t index = static_cast<size_t>(a.Index);
    // An element that does not exist yet reads as the empty text.
    const std::string current = index < v.Values.size() ? v.Values[index] : std::string();
    std::string next = current;
    switch (a.Kind) {
        case kNoValue:
            if (a.Operator != "=") return;
            next = a.Value;
            v.IsText = 0;
            v.IsNumeric = 0;
            break;
        case kNumberValue: {
            int64_t number = ScriptValueToInt64(current);
            const int64_t operand = ScriptValueToInt64(a.Value);
            bool hasValue = true;
            if (a.Operator == "=") {
                number = operand;
            } else if (a.Operator.size() == 2 && a.Operator[1] == '=' &&
                       std::string_view("+-*/%").find(a.Operator[0]) != std::string_view::npos) {
                hasValue = ApplyNumberOperator(number, operand, a.Operator[0], number);
            }
            // A quotient or remainder that has no value (by 0, or the smallest number by -1) is empty.
            next = hasValue ? std::to_string(number) : std::string();
            v.IsNumeric = 1;
            v.IsText = 0;
            break;
        }
        default:
            if (a.Operator == "=") {
                next = a.Value;
            } else if (a.Operator == "+=") {
                next = current + a.Value;
            }
            v.IsText = 1;
            v.IsNumeric = 0;
            break;
    }
    if (v.Values.size() <= index) v.Values.resize(index + 1);
    v.Values[index] = std::move(next);
}

void RunAssignment(ScriptText& line, ScriptVariableList& locals, WindowRecord* connectionWindow) {
    const std::string& t = line.Text;
    Assignment a;
    size_t at = 1;
    while (at < t.size() && IsNameChar(t[at])) ++at;
    a.Target = t.substr(0, at);
    if (line.SyntaxAt(at, '[')) {
        size_t close = t.find(']', at);
        if (close != std::string::npos) {
            a.Index = std::atoll(t.substr(at + 1, close - at - 1).c_str());
            at = close + 1;
        }
    }
    // An absurd index is refused: the line changes nothing.
    if (a.Index < 0 || a.Index > kMaxScriptListIndex) return;
    while (at < t.size() && (t[at] == ' ' || t[at] == '\t')) ++at;
    const size_t opStart = at;
    while (at < t.size() && line.IsSyntax(at) && IsOperatorChar(t[at])) ++at;
    if (at == opStart) return;
    a.Operator = t.substr(opStart, at - opStart);

    const ScriptText value = line.Slice(at);
    a.Kind = EvaluateExpression(value, a.Value, kNoValue);
    if (a.Kind == kListValue) SplitListValue(value, a);

    ScriptVariable* v = nullptr;
    for (ScriptVariable& local : locals)
        if (StringEqualsNoCase(local.Name, a.Target)) {
            v = &local;
            break;
        }
    // A variable of the connection or the global scope changes under the scopes lock.
    std::optional<ScriptScopesWriteLock> lock;
    if (!v) {
        lock.emplace(ScriptScopesMutex());
        v = SetScriptVariable(locals, connectionWindow, a.Target, std::string(), kLocalScope);
    }
    if (!v) return;
    const bool wasUsers = HoldsUsersValues(*v);
    Apply(*v, a);
    NoteUsersValues(*v, !value.HoldsOutsideByte() && (wasUsers || v->Values.size() == 1 ||
                                                      (a.Kind == kListValue && a.Operator == "=")));
}

} // namespace

// Remembers the values as the user's own, or forgets that they were; a large list is not copied
// and counts as from outside.
void NoteUsersValues(ScriptVariable& v, bool users) {
    size_t bytes = 0;
    for (const std::string& value : v.Values) bytes += value.size();
    v.HasUsersValues = users && bytes <= kMaxUsersValueBytes ? 1 : 0;
    if (v.HasUsersValues)
        v.UsersValues = v.Values;
    else
        v.UsersValues.clear();
}

void ExecuteStatementLine(ScriptText& line, uint8_t* firstStatement, uint8_t* debug,
                          ScriptVariableList& locals, WindowRecord* connectionWindow, WindowRecord* window,
                          const std::string& parameters) {
    line.TrimLeft(" \t");
    line.TrimRight(" \t;");
    if (line.Empty()) return;
    const uint8_t echo = debug ? *debug : 0;

    // A "/" line is a command whoever wrote its "/": what it may do is its row's to decide, also
    // for text from outside.
    if (line.Text[0] == '/') {
        *firstStatement = 0;
        ExpandVariables(locals, connectionWindow, window, line, 0, 0, echo);
        EvaluateFunctionCalls(connectionWindow, window, locals, line, parameters);
        UnescapeScriptText(line, false);
        RunMarkedLine(line, window);
        return;
    }
    // An assignment changes the script's variables: inserted text from outside makes none.
    if (line.WrittenAt(0, '$')) {
        *firstStatement = 0;
        ExpandVariables(locals, connectionWindow, window, line, 0, 1, echo);
        EvaluateFunctionCalls(connectionWindow, window, locals, line, parameters);
        RunAssignment(line, locals, connectionWindow);
        return;
    }
    ExpandVariables(locals, connectionWindow, window, line, *firstStatement, 0, echo);
    EvaluateFunctionCalls(connectionWindow, window, locals, line, parameters);
    if (!*firstStatement || line.Empty()) return;
    RunMarkedLine(line, window);
}

void RunMarkedLine(const ScriptText& line, WindowRecord* window, size_t from) {
    const std::string text = line.Text.substr(std::min(from, line.Size()));
    const std::string marks = line.OutsideMarks().substr(std::min(from, line.Size()));
    const LineMarksScope scope(text, marks);
    ProcessInputLine(text.c_str(), window);
}
