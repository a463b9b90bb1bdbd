// The "/" command interpreter.
#pragma once

#include "core/client_services.h"

#include <cstdint>

struct WindowRecord;

namespace commands {
// Runs one "/" command; non-zero when the line was a known command and was handled. With a
// help buffer (1000 wide characters) nothing runs: the usage hint of the partly typed command
// is written into it, and the target argument is read as the prefix-search flag.
uint64_t ExecuteCommand(const char* line, WindowRecord* connectionWindow, WindowRecord* targetWindow,
                        wchar_t* helpBuffer);
} // namespace commands
