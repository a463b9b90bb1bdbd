// The formatter of the printf family of built-ins: the script's format text is read here and
// never handed to the C library. Each conversion takes its value by its own type: numeric
// conversions read a text value as a number, "%s" writes a number in decimal, and a missing
// value is 0 or empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScriptFormatValue {
    bool IsText = false; // written as a quoted text in the call
    std::string Text;
    int64_t Number = 0;
};

// Conversions %d %i %u %x %X %o %c %s %%, with the flags '-', '0', '+', ' ' and '#', a width
// and a precision (digits or '*') and the size words h, hh, l, ll, I32, I64, I, j, z, t. Other
// conversions stand in the output as written and use up one value. False for "%n", which asks
// to write into memory and is refused.
bool FormatScriptText(const std::string& format, const std::vector<ScriptFormatValue>& values,
                      std::string& out);
