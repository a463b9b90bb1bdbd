// Timers that run a command line every so many milliseconds (kept per server connection),
// and system-wide hot keys registered from the trigger scripts.
#pragma once

#include "core/timer_entry.h"

#include <cstdint>
#include <string>
#include <vector>

struct ScriptHotkey {
    std::string Trigger;
    uint32_t KeyValue = 0; // bits 0-7 virtual key, 0x100 Shift, 0x200 Control, 0x400 Alt
    uint32_t VirtualKey = 0;
    uint32_t Modifiers = 0; // MOD_SHIFT, MOD_CONTROL, MOD_ALT combined
};

struct WindowRecord;

constexpr uint32_t kAllTimers = 0xFFFFFFFF;

// The timer of the window's server connection that has this id, or null; index receives its
// position when given. Timer lists are shared between threads like the script variables: the
// caller holds ScriptScopesMutex (script/script_variables.h) while it uses the entry.
TimerEntry* FindTimerById(WindowRecord* window, int32_t timerId, uint32_t* index);
// The same by name, ignoring case.
TimerEntry* FindTimerByName(WindowRecord* window, const std::wstring& name, uint32_t* index);
// Prints the timers of the window's connection (every one, or only the one at the index)
// between a header and a footer line, each with a link that removes it. Takes the lock itself.
void ListTimers(WindowRecord* window, uint32_t index);

// The hot-key value's modifiers (0x100 Shift, 0x200 Control, 0x400 Alt) as MOD_ flags.
uint32_t HotkeyModifiers(uint32_t keyValue);
// Rebuilds the hot keys from the type-0 entries of "Scripts" that carry a "Keyboard_Trigger",
// registered for the frame window with their index as id. A key that cannot be registered
// (taken already) stays in the list unregistered; the others are still registered, and the
// failure is shown once as a script error line. Without a frame window nothing is registered.
// Interface thread only.
void RegisterScriptHotkeys();
void UnregisterScriptHotkeys();
// The frame's WM_HOTKEY: the entry's trigger runs as an input line of the active window.
void RunScriptHotkey(uint32_t id);
std::vector<ScriptHotkey> ScriptHotkeys();
