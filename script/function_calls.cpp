#include "common/text_compare.h"
#include "script/function_calls.h"

#include "script/builtin_dispatch.h"

#include <algorithm>

namespace {

bool IsNameChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

struct AliasRow {
    const char* Name;
    const char* Runs;
    const char* Appended[2];
};

const AliasRow kAliases[] = {
    {"GetChannelMode", "GetChannelInformation", {"0", nullptr}},
    {"GetChannelTopic", "GetChannelInformation", {"1", nullptr}},
    {"GetChannelQpCount", "GetChannelInformation", {"2", nullptr}},
    {"GetChannelOpCount", "GetChannelInformation", {"3", nullptr}},
    {"GetChannelVpCount", "GetChannelInformation", {"4", nullptr}},
    {"GetChannelMpCount", "GetChannelInformation", {"5", nullptr}},
    {"NickFromMask", "InfoFromMask", {"0", "0"}},
    {"IdentFromMask", "InfoFromMask", {"0", "1"}},
    {"DomainFromMask", "InfoFromMask", {"0", "2"}},
    {"IPFromMask", "InfoFromMask", {"0", "2"}},
};

} // namespace

bool ResolveFunctionAlias(std::string& name, std::vector<std::string>& arguments) {
    for (const AliasRow& row : kAliases) {
        if (!StringEqualsNoCase(name, row.Name)) continue;
        name = row.Runs;
        for (const char* a : row.Appended)
            if (a) arguments.emplace_back(a);
        return true;
    }
    return false;
}

ScriptText FormatCallResults(const std::vector<std::string>& results, uint32_t code, bool fromOutside) {
    ScriptText out;
    const bool quote = code == 2;
    const ValueSource source = fromOutside ? ValueSource::OutsideCallResult : ValueSource::CallResult;
    if (results.size() == 1) {
        AppendValue(out, results[0], quote, source);
    } else if (results.size() > 1) {
        out.AppendWritten('{');
        for (size_t i = 0; i < results.size(); ++i) {
            if (i) out.AppendWritten(',');
            AppendValue(out, results[i], quote, source);
        }
        out.AppendWritten('}');
    }
    return out;
}

void EvaluateFunctionCalls(WindowRecord* connectionWindow, WindowRecord* window, ScriptVariableList& locals,
                           ScriptText& text, const std::string& parameters,
                           std::span<const BuiltinEntry> table) {
    std::vector<uint32_t> quotes;
    std::vector<char> quoted;
    size_t searchFrom = 0;
    // A call is a name and parentheses the script wrote: under the mark of text from outside an
    // inserted value calls nothing (script_text.h).
    while (text.Text.find('(', searchFrom) != std::string::npos) {
        // Quoted stretches are noted afresh after every replacement, so they follow the text.
        quotes.clear();
        CollectQuotes(text, quotes);
        quoted.assign(text.Size(), 0);
        for (size_t q = 0; q + 1 < quotes.size(); q += 2)
            std::fill(quoted.begin() + quotes[q], quoted.begin() + quotes[q + 1] + 1, 1);
        const std::string& t = text.Text;
        size_t open = std::string::npos;
        for (size_t i = searchFrom; i < t.size(); ++i)
            if (text.WrittenAt(i, '(') && !quoted[i]) {
                open = i;
                break;
            }
        if (open == std::string::npos) return;

        // The innermost call: the last "(" before the first ")".
        size_t callOpen = open, close = std::string::npos;
        for (size_t i = open + 1; i < t.size(); ++i) {
            if (!text.IsWritten(i) || quoted[i]) continue;
            if (t[i] == '(') callOpen = i;
            if (t[i] == ')') {
                close = i;
                break;
            }
        }
        if (close == std::string::npos) return; // the rest stays as it is

        size_t nameStart = callOpen;
        while (nameStart > 0 && text.IsWritten(nameStart - 1) && IsNameChar(t[nameStart - 1])) --nameStart;
        const std::string name = t.substr(nameStart, callOpen - nameStart);
        std::vector<ScriptText> arguments;
        arguments.reserve(8);
        SplitScriptText(arguments, text, callOpen + 1, close, ",", true);

        std::vector<std::string> results;
        bool fromOutside = false;
        // The line is quoted in error lines; it does not change until the call has returned.
        uint32_t code = CallBuiltinFunction(table, connectionWindow, window, t, locals, name, arguments,
                                            results, parameters, &fromOutside);
        text.Replace(nameStart, close + 1 - nameStart, FormatCallResults(results, code, fromOutside));
        // Nothing before the first "(" found can hold a call, nor can the result.
        searchFrom = std::min(open, nameStart);
    }
}
