#include "commands/command_interpreter.h"

#include "commands/command_call.h"
#include "commands/command_table.h"
#include "common/lang_strings.h"
#include "common/text_compare.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "core/client_services.h"
#include "core/remote_text.h"
#include "markup/display_text.h"

#include <algorithm>
#include <cwchar>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr size_t kHelpBufferLength = 1000;

wchar_t FoldWide(wchar_t c) {
    return c < 256 ? static_cast<wchar_t>(FoldByte(static_cast<unsigned char>(c))) : c;
}

bool StartsWithNoCase(const wchar_t* text, const std::wstring& key) {
    for (size_t i = 0; i < key.size(); ++i)
        if (!text[i] || FoldWide(text[i]) != FoldWide(key[i])) return false;
    return true;
}

// Copies the first help line (language strings from 5001 on) that begins with bold, colour 4
// and the typed line; with wholeWord the command must end where the line ends.
void FindHelpLine(const std::string& line, bool wholeWord, wchar_t* helpBuffer) {
    std::wstring key = DisplayText().Bold().Color(4);
    key += NarrowToWide(line);
    if (wholeWord) key += L' ';
    for (uint32_t i = 0;; ++i) {
        const wchar_t* entry = LangStringListEntry(i);
        if (!entry || !*entry) return;
        if (!StartsWithNoCase(entry, key)) continue;
        const size_t length = std::min(std::wcslen(entry), kHelpBufferLength - 1);
        std::wmemcpy(helpBuffer, entry, length);
        helpBuffer[length] = 0;
        return;
    }
}

} // namespace

uint64_t commands::ExecuteCommand(const char* line, WindowRecord* connectionWindow,
                                  WindowRecord* targetWindow, wchar_t* helpBuffer) {
    if (!line || line[0] != '/') return 0;
    std::string text(line);
    TrimStringCrLf(text);
    std::vector<std::string> words;
    SplitQuoted(words, text, " ", false);
    if (words.empty()) return 0;
    if (helpBuffer) {
        // The target argument is the search flag: set for a prefix search.
        FindHelpLine(text, targetWindow == nullptr, helpBuffer);
        return 1;
    }
    const CommandRow* row = FindCommandRow(words[0]);
    if (!row) return 0;
    const std::string marks = OutsideMarksOf(text);
    try {
        // A refused row with a byte from outside where it chooses what happens says so and counts
        // as handled: nothing of it runs, and the line goes on to no one else.
        const std::string outside = OutsideCapabilityWord(*row, text, marks);
        if (!outside.empty()) {
            WindowRecord* target = targetWindow ? targetWindow : GetActiveWindowRecord();
            ReportRefusedForRemoteText(target ? target : connectionWindow, words[0], outside);
            return 1;
        }
        const size_t count = words.size();
        if (count < row->MinWords || (row->Exact && count != row->MinWords)) RefuseCommand();
        const CommandCall call{text,
                               words,
                               connectionWindow,
                               ConnectionOfWindow(connectionWindow),
                               targetWindow ? targetWindow : GetActiveWindowRecord(),
                               marks};
        return row->Handler(call);
    } catch (int) {
        // A refusal: the line was not handled.
        return 0;
    } catch (const std::exception&) {
        return 0;
    }
}
