#include "common/text_compare.h"
#include "script/script_interpreter.h"

#include "common/text_split.h"
#include "common/xstring.h"
#include "script/dollar_variables.h"
#include "script/function_calls.h"
#include "script/script_reports.h"
#include "script/script_run.h"
#include "script/script_variables.h"
#include "core/client_services.h"

#include <windows.h>

#include <cstdlib>

std::atomic<uint64_t> ScriptLineBudget{kDefaultScriptLineBudget};
const wchar_t* const kScriptTooLongMessage = L"Script stopped: too many lines run";
const wchar_t* const kScriptNestingMessage = L"Script stopped: scripts nested too deeply";

namespace {

// Runs started inside runs on this thread, and whether they must all end now.
thread_local uint32_t NestedRuns = 0;
thread_local bool AbortNestedRuns = false;

class NestingGuard {
public:
    NestingGuard() { ++NestedRuns; }
    ~NestingGuard() {
        if (--NestedRuns == 0) AbortNestedRuns = false;
    }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool TooDeep() const { return NestedRuns > kMaxScriptNesting; }
};

// Script text with every line end as CR LF: settings written by hand or by other tools end their
// lines with LF alone, and old Mac files with CR alone.
std::string WithCrLfLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// The whole content of a regular file named by the line (UTF-8), up to its first NUL byte.
bool ReadScriptFile(const std::string& name, std::string& content) {
    HANDLE file = CreateFileW(NarrowToWide(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    LARGE_INTEGER size{};
    // Only files on disk: a device name must not make the script wait on a device.
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) && size.QuadPart < (1LL << 30)) {
        content.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD read = 0;
        ok = content.empty() ||
             (ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr) &&
              read == content.size());
        size_t nul = content.find('\0');
        if (nul != std::string::npos) content.resize(nul);
    }
    CloseHandle(file);
    return ok;
}

} // namespace

ScriptBlock* ScriptRun::OpeningAt(size_t line) {
    if (line >= Program.BlockAtLine.size()) return nullptr;
    uint32_t index = Program.BlockAtLine[line];
    if (index == kNoBlock || Program.Blocks[index].Kind != 0) return nullptr;
    return &Program.Blocks[index];
}

void ScriptRun::RequireBrace(size_t index, const wchar_t* message) {
    if (index + 1 >= Program.Lines.size()) return;
    const std::string& next = Program.Lines[index + 1];
    if (!next.empty() && next[0] != '{') ThrowScriptError(ConnectionWindow, Work.Text, message);
}

void ScriptRun::Run() {
    const std::vector<std::string>& lines = Program.Lines;
    const uint64_t budget = ScriptLineBudget.load();
    while (Next < lines.size() && !Ended && !AbortNestedRuns) {
        const size_t index = Next++;
        if (++Executed > budget) ThrowScriptError(ConnectionWindow, lines[index], kScriptTooLongMessage);
        RunLine(index);
    }
}

void ScriptRun::RunLine(size_t index) {
    // Lines that do not run are not expanded either: a "$?" in a comment or in a skipped
    // block asks nothing, and "$ssnick" there clears no selection.
    const std::string& raw = Program.Lines[index];
    const bool structural = raw.compare(0, 2, "//") == 0 || raw[0] == ':' || raw[0] == '{';
    const bool skipping = LoopControl == 1 || LoopControl == 2 || SkippingFunction;
    if (structural || (skipping && raw[0] != '}')) {
        if (Debug) PrintScriptLine(ConnectionWindow, raw);
        return;
    }
    Work.Assign(raw);
    ExpandDollarVariables(ConnectionWindow, Window, Work, Parameters, FirstStatement);
    if (Debug) PrintScriptLine(ConnectionWindow, Work.Text);
    const std::string& t = Work.Text;
    if (t.empty()) return;
    // A line is read after it was expanded: one that begins with an inserted value is a
    // keyword, a directive or a command like any other. Only under the mark of text from
    // outside does inserted text begin no statement but a "/" command (script_text.h).
    const bool written = Work.IsWritten(0);

    if (written && t[0] == '}') {
        uint32_t record = Program.BlockAtLine[index];
        if (record == kNoBlock || Program.Blocks[record].Kind != 1) return;
        const ScriptBlock& close = Program.Blocks[record];
        const ScriptBlock& open = Program.Blocks[close.Partner];
        // Only the loop that runs jumps back: the brace of a loop that a "break" or
        // "continue" skipped over without entering it is passed by.
        if (close.ForBlock && open.ForBlock && open.Line > 0) {
            Next = open.Line - 1;
            LoopControl = LoopControl == 2 ? -1 : 0;
        }
        if (close.FunctionBlock && SkippingFunction) SkippingFunction = false;
        return;
    }
    if (!written) {
        ExecuteStatementLine(Work, &FirstStatement, &Debug, Locals, ConnectionWindow, Window, Parameters);
        return;
    }
    if (StartsWithNoCase(t, "goto ")) {
        const std::string label = t.substr(5);
        for (const ScriptLabel& l : Program.Labels)
            if (StringEqualsNoCase(l.Name, label)) Next = l.Line; // the last one wins
        return;
    }
    if (t[0] == '#') {
        FirstStatement = 0;
        RunDirective();
        return;
    }
    if (t[0] == '\\') {
        FirstStatement = 0;
        ExpandVariables(Locals, ConnectionWindow, Window, Work, 0, 0, Debug);
        RunMarkedLine(Work, Window, 1);
        return;
    }
    if (StringEqualsNoCase(t, "return")) {
        Ended = true;
        return;
    }
    if (StartsWithNoCase(t, "script ")) return;
    if (StartsWithNoCase(t, "function ") && t.size() > 9) {
        SkippingFunction = true;
        return;
    }
    if (StringEqualsNoCase(t, "continue")) {
        LoopControl = 1;
        return;
    }
    if (StringEqualsNoCase(t, "break")) {
        LoopControl = 2;
        return;
    }
    if (StringEqualsNoCase(t, "else")) {
        RunElse(index);
        return;
    }
    if (StartsWithNoCase(t, "for ") || StartsWithNoCase(t, "for(")) {
        RunFor(index);
        return;
    }
    if (StartsWithNoCase(t, "if ") || StartsWithNoCase(t, "if(") || StartsWithNoCase(t, "ifn ") ||
        StartsWithNoCase(t, "ifn(")) {
        RunIf(index);
        return;
    }
    ExecuteStatementLine(Work, &FirstStatement, &Debug, Locals, ConnectionWindow, Window, Parameters);
}

namespace {

// The first "(" and the last ")" of the line.
bool FindParentheses(const ScriptText& line, size_t& open, size_t& close) {
    open = line.Text.find('(');
    close = line.Text.rfind(')');
    return open != std::string::npos && close != std::string::npos && close > open;
}

} // namespace

void ScriptRun::RunIf(size_t index) {
    FirstStatement = 0;
    ExpandVariables(Locals, ConnectionWindow, Window, Work, 0, 0, Debug);
    RequireBrace(index, L"IF line must be followed by {");
    size_t open, close;
    if (!FindParentheses(Work, open, close)) return;
    ScriptComparison c = CompareScriptCondition(*this, Work.Slice(open + 1, close - open - 1));
    if (!c.HasOperator) return;
    bool value = c.Value;
    if (StartsWithNoCase(Work.Text, "ifn ") || StartsWithNoCase(Work.Text, "ifn(")) value = !value;
    ScriptBlock* block = OpeningAt(index + 1);
    if (!block || block->Partner == kNoBlock) return;
    ScriptBlock& closing = Program.Blocks[block->Partner];
    closing.SkippedBranch = value ? 0 : 1;
    if (!value) Next = closing.Line + 1;
}

void ScriptRun::RunElse(size_t index) {
    RequireBrace(index, L"ELSE line must be followed by {");
    if (index > 0) {
        uint32_t above = Program.BlockAtLine[index - 1];
        if (above != kNoBlock && Program.Blocks[above].Kind == 1 && Program.Blocks[above].SkippedBranch)
            return;
    }
    ScriptBlock* block = OpeningAt(index + 1);
    if (block && block->Partner != kNoBlock) Next = Program.Blocks[block->Partner].Line;
}

void ScriptRun::RunFor(size_t index) {
    FirstStatement = 0;
    RequireBrace(index, L"FOR line must be followed by {");
    ScriptBlock* block = OpeningAt(index + 1);
    if (LoopControl == -1) {
        LoopControl = 0;
        if (block) {
            block->ForBlock = 0;
            if (block->Partner != kNoBlock) Next = Program.Blocks[block->Partner].Line + 1;
        }
        return;
    }
    size_t open, close;
    if (!FindParentheses(Work, open, close)) return;
    std::vector<ScriptText> parts;
    SplitScriptText(parts, Work.Slice(open + 1, close - open - 1), ";", true);
    if (parts.size() != 3 || !block) return;
    if (!block->ForBlock) {
        block->ForBlock = 1;
        ExecuteStatementLine(parts[0], &FirstStatement, &Debug, Locals, ConnectionWindow, Window, Parameters);
    } else {
        ExecuteStatementLine(parts[2], &FirstStatement, &Debug, Locals, ConnectionWindow, Window, Parameters);
    }
    ScriptText& condition = parts[1];
    ExpandVariables(Locals, ConnectionWindow, Window, condition, 0, 0, Debug);
    ScriptComparison c = CompareScriptCondition(*this, condition);
    if (!c.HasOperator) return;
    bool run = c.Value;
    // For texts a loop knows only "===" and "=="; any other operator ends it.
    if (c.Kind == 2 && c.Operator != "===" && c.Operator != "==") run = false;
    if (run) return;
    block->ForBlock = 0;
    if (block->Partner != kNoBlock) Next = Program.Blocks[block->Partner].Line + 1;
}

uint32_t script::ExecuteScript(uint32_t mode, WindowRecord* connectionWindow, WindowRecord* window,
                               const std::string& text, const std::string& parameters, std::string&,
                               uint32_t defaultResult) {
    if (!connectionWindow) return 0;
    NestingGuard nesting;
    std::vector<std::string> lines;
    if (mode == kEvalMode)
        SplitQuoted(lines, text, "|||", false);
    else
        SplitQuoted(lines, WithCrLfLineEnds(text), "\r\n", false);
    if (lines.empty()) return 0;
    if (nesting.TooDeep()) {
        // Every run on this thread ends now, so the unwinding does no further work.
        AbortNestedRuns = true;
        PrintToWindow(kInformationLine, connectionWindow,
                      FormatScriptErrorLine(lines[0], kScriptNestingMessage));
        return defaultResult;
    }
    if (lines.size() == 1) {
        std::string content;
        if (ReadScriptFile(lines[0], content)) {
            lines.clear();
            SplitQuoted(lines, WithCrLfLineEnds(content), "\r\n", false);
        }
    }
    ScriptProgram program = BuildScriptProgram(lines);
    ScriptRun run(program, connectionWindow, window, parameters);
    try {
        run.Run();
    } catch (const ScriptError&) {
        // already reported
    } catch (...) {
        // any other failure ends the script quietly
    }
    run.Finish();
    if (run.EndedByRequire) return 0;
    return run.LockResult ? run.LockResult : defaultResult;
}
