// A script timer: runs a command line every so many milliseconds, kept per server connection.
#pragma once

#include <cstdint>
#include <string>

struct TimerEntry {
    std::wstring Name; // compared ignoring case
    uint32_t Count = 0;
    uint32_t Interval = 0; // milliseconds
    std::wstring Command;
    uint32_t TimerId = 0;
};
