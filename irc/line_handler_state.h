// What the server-line handlers keep per connection between lines: when each channel's modes
// were last asked for, and the allowance of CTCP answers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

struct LineHandlerState {
    std::mutex Mutex;
    std::map<std::string, ULONGLONG> ModeQueries; // folded channel name, tick of the last query
    uint32_t CtcpAnswers = 0xFFFFFFFF;            // answers left; all of them until the first
    ULONGLONG CtcpRefilled = 0;
};
