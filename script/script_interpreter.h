// The script interpreter: runs one script text (an event or trigger script, a script handed in
// by a plug-in or a command, or a script file) on the caller's thread.
#pragma once

#include "core/client_services.h"

#include <atomic>
#include <cstdint>
#include <string>

struct WindowRecord;

namespace script {
// Runs the script and returns the lock result ("#lock" 1, "#unlock" 2) or, when the script
// left it 0, the default result. Nothing runs without a connection window (result 0). result
// is handed on for the callers' sake and never written: a script yields no result text.
uint32_t ExecuteScript(uint32_t mode, WindowRecord* connectionWindow, WindowRecord* window,
                       const std::string& text, const std::string& parameters, std::string& result,
                       uint32_t defaultResult);
} // namespace script

// The lines one run may execute before it ends with a script error, so that an endless loop
// cannot hold the thread it runs on for ever.
extern std::atomic<uint64_t> ScriptLineBudget;
constexpr uint64_t kDefaultScriptLineBudget = 10000000;
// Runs started inside runs on one thread (through commands, input lines and triggers) beyond
// this depth end with a script error instead of exhausting the stack.
constexpr uint32_t kMaxScriptNesting = 24;

extern const wchar_t* const kScriptTooLongMessage;
extern const wchar_t* const kScriptNestingMessage;
