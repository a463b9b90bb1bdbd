// The script interpreter: runs one script text on the caller's thread.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

// mode 0 runs a script text or file, 3 an event script, 4 statements separated by "|||".
// The result text is never written; the return value is defaultResult unless a directive of
// the script changes it ("#lock" 1, "#unlock" 2).
uint32_t ExecuteScript(uint32_t mode, WindowRecord* connectionWindow, WindowRecord* window,
                       const std::string& script, const std::string& parameters, std::string& result,
                       uint32_t defaultResult);
