// The one front door for every line said in a window: typed, scripted, from menus, plug-ins
// and the start-up command.
#pragma once

#include "core/client_services.h"

#include <cstdint>
#include <string>

struct WindowRecord;

namespace commands {
// Fires "On_Input", offers the line to the command interpreter and the typed-command
// triggers, and sends what is left as plain text to the window's target. A line that holds a
// CR or LF before its end is taken as the separate lines between them.
void ProcessInputLine(const char* line, WindowRecord* window, InputOptions options = {});
// Cuts a typed wide text into lines and runs each through ProcessInputLine; PreferUtf8: a window
// without a code page of its own sends them as UTF-8 rather than in the default code page.
void ExecuteInputText(WindowRecord* window, const std::wstring& text, InputOptions options = {});
} // namespace commands

// Exported to plug-ins: runs the line as said in the window the user works in.
extern "C" __declspec(dllexport) void __cdecl PluginInput(const char* line);

// "On_Input" scripts that say lines fire "On_Input" again; deeper than this on one thread, the
// line is dropped with a script error.
constexpr uint32_t kMaxOnInputNesting = 16;
