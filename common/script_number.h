// Numbers read from script texts.
#pragma once

#include <cstdint>
#include <string>

// Skips leading blanks, tabs, double and single quotes, then reads a decimal 64-bit integer with
// an optional sign, stopping at the first other character; 0 without digits. Values beyond the
// 64-bit range read as the nearest limit.
int64_t ScriptValueToInt64(const std::string& text);
