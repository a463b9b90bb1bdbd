// The directives of a script: lines that begin with "#".
#include "common/app_state.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc/send_path.h"
#include "core/frame_message_ids.h"
#include "common/text_compare.h"
#include "script/dollar_variables.h"
#include "script/script_run.h"
#include "script/script_variables.h"
#include "core/client_services.h"
#include "core/remote_text.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "core/settings.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <windows.h>

#include <cstdlib>

namespace {

// The flood queue: off for a period of 0 (or less), else the frame's timer with that period.
void SetFloodPeriod(int32_t milliseconds) {
    SetFloodDelay(MainWindow.load(), milliseconds > 0 ? static_cast<uint32_t>(milliseconds) : 0);
}

// The "Scripts" entry that a command returned, when the value is one; a command's other
// results are plain numbers.
XmlElement* FindScriptsEntry(uint64_t value) {
    if (value <= 1 || !UserConfigDocument) return nullptr;
    XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Scripts");
    const uint32_t count = XmlElementGetChildCount(scripts);
    for (uint32_t i = 0; i < count; ++i) {
        XmlElement* child = XmlElementGetChild(scripts, i);
        if (child && reinterpret_cast<uint64_t>(child) == value) return child;
    }
    return nullptr;
}

std::string JoinLines(const std::vector<std::string>& lines, size_t from) {
    std::string out;
    for (size_t i = from; i < lines.size(); ++i) {
        if (i > from) out += "\r\n";
        out += lines[i];
    }
    return out;
}

} // namespace

void ScriptRun::Finish() {
    // The flood queue goes back to the configured period however the run ended.
    if (!FastUsed) return;
    SetFloodPeriod(Settings::FloodDelayMs());
}

void ScriptRun::RunEmbeddedScript(size_t number) {
    if (number == 0 || number > Program.Embedded.size()) return;
    const std::vector<std::string>& block = Program.Embedded[number - 1];
    std::vector<std::string> header;
    SplitQuoted(header, block[0], " ", false);
    if (header.size() == 2) {
        // A block in a foreign language: its lines with their values inserted bare, where the
        // author placed them, run by the frame on the interface thread while this thread waits.
        // Its code can do anything a program can, so it runs only when every byte of it is the
        // user's: a value from outside in it refuses the whole block.
        ScriptText text;
        for (size_t i = 1; i < block.size(); ++i) {
            ScriptText line(block[i]);
            ExpandDollarVariables(ConnectionWindow, Window, line, Parameters, 1);
            ExpandVariables(Locals, ConnectionWindow, Window, line, 1, 0, 0);
            if (i > 1) text.AppendWritten("\r\n");
            text.AppendFrom(line, 0, line.Size());
        }
        if (text.HoldsOutsideByte()) {
            ReportRefusedForRemoteText(Window ? Window : ConnectionWindow, block[0],
                                       FirstOutsideRun(text.Text, text.OutsideMarks()));
            return;
        }
        const std::wstring language = NarrowToWide(header[1]);
        const std::wstring code = NarrowToWide(text.Text);
        if (HWND frame = MainWindow.load())
            SendMessageW(frame, WM_RUN_ACTIVEX_SCRIPT, reinterpret_cast<WPARAM>(language.c_str()),
                         reinterpret_cast<LPARAM>(code.c_str()));
        return;
    }
    // Otherwise the header (after "script ") is a command; when it yields a settings entry, the
    // block's lines become that entry's script text.
    std::string command = block[0].size() > 7 ? block[0].substr(7) : std::string();
    size_t start = command.find_first_not_of(' ');
    command = start == std::string::npos ? std::string() : command.substr(start);
    // The header is the script's own text.
    const LineMarksScope own(command);
    const uint64_t outcome = ExecuteCommand(command.c_str(), ConnectionWindow, nullptr, nullptr);
    if (!UserConfigDocument) return;
    XmlDocumentWriteLock lock(UserConfigDocument);
    if (XmlElement* entry = FindScriptsEntry(outcome)) {
        XmlElementRemoveAllCData(entry);
        XmlElementAddCData(entry, JoinLines(block, 1).c_str());
        XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
    }
}

void ScriptRun::RunDirective() {
    std::vector<std::string> words;
    SplitQuoted(words, Work.Text, " ", false);
    if (words.empty()) return;
    const std::string& word = words[0];
    const size_t n = words.size();
    if (StringEqualsNoCase(word, "#executeembeddedscript") && n == 2) {
        RunEmbeddedScript(static_cast<size_t>(std::strtoul(words[1].c_str(), nullptr, 10)));
    } else if (StringEqualsNoCase(word, "#fast") && n == 2) {
        FastUsed = true;
        SetFloodPeriod(std::atoi(words[1].c_str()));
    } else if (StringEqualsNoCase(word, "#break") && n == 1) {
        if (IsDebuggerPresent()) DebugBreak();
    } else if (StringEqualsNoCase(word, "#lock") && n == 1) {
        LockResult = 1;
    } else if (StringEqualsNoCase(word, "#unlock") && n == 1) {
        LockResult = 2;
    } else if (StringEqualsNoCase(word, "#defaultlock") && n == 1) {
        LockResult = 0;
    } else if (StringEqualsNoCase(word, "#debug") && n == 1) {
        Debug = 1;
    } else if (StringEqualsNoCase(word, "#nodebug") && n == 1) {
        Debug = 0;
    } else if (StringEqualsNoCase(word, "#require") && (n == 2 || n == 3)) {
        const int major = std::atoi(words[1].c_str());
        const int minor = n == 3 ? std::atoi(words[2].c_str()) : 0;
        if (major > 7 || (major == 7 && minor > 94)) Ended = EndedByRequire = true;
    } else if (StringEqualsNoCase(word, "#sleep") && n == 2) {
        const int milliseconds = std::atoi(words[1].c_str());
        if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
    } else if (StringEqualsNoCase(word, "#watch") && n == 2) {
        std::wstring line;
        {
            ScriptScopesReadLock lock(ScriptScopesMutex());
            const ScriptVariable* v = FindScriptVariable(Locals, ConnectionWindow, words[1], nullptr);
            if (!v) return;
            std::string values;
            for (size_t i = 0; i < v->Values.size(); ++i) {
                if (i) values += ',';
                values += v->IsNumeric ? v->Values[i] : "\"" + v->Values[i] + "\"";
            }
            line = DisplayText()
                       .Bold()
                       .Dot()
                       .Text(L" " + NarrowToWide(words[1]) + L" ")
                       .Bold()
                       .Text(L": " + NarrowToWide(values));
        }
        PrintToWindow(kInformationLine, ConnectionWindow, line);
    } else if (StringEqualsNoCase(word, "#define") && n == 3) {
        ProcessInputLine(("/define " + words[1] + " " + words[2] + " 0").c_str(), ConnectionWindow);
    } else if (StringEqualsNoCase(word, "#undef") && n == 2) {
        ProcessInputLine(("/undefine " + words[1] + " 0").c_str(), ConnectionWindow);
    }
}
