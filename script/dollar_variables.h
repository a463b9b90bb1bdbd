// The program's built-in $-names ("$mynick", "$channel", "$1", "$?" ...), replaced in a script
// line before anything else looks at it.
#pragma once

#include "script/script_text.h"

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

// Replaces every built-in name in one pass, which does not look at a value again (what a value
// is read as afterwards: script_text.h). Values are quoted unless noQuotes is set or the line
// begins with "/" or "\".
void ExpandDollarVariables(WindowRecord* connectionWindow, WindowRecord* window, ScriptText& line,
                           const std::string& parameters, uint8_t noQuotes);

// The parameter words: the text split at blanks outside quotes, empty pieces dropped, each with
// the position where it starts.
struct ParameterWord {
    std::string Text;
    size_t Start = 0;
};
std::vector<ParameterWord> SplitParameterWords(const std::string& parameters);
