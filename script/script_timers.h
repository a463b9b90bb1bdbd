// Timers that run a command line every so many milliseconds (kept per server connection),
// and system-wide hot keys registered from the trigger scripts.
#pragma once

#include "core/timer_entry.h"

#include <cstdint>
#include <string>

struct ScriptHotkey {
    std::string Trigger;
    uint32_t KeyValue = 0; // bits 0-7 virtual key, 0x100 Shift, 0x200 Control, 0x400 Alt
    uint32_t VirtualKey = 0;
    uint32_t Modifiers = 0; // MOD_SHIFT, MOD_CONTROL, MOD_ALT combined
};

struct WindowRecord;

// The timer of the window's server connection that has this id, or null; index receives its
// position when given. Timer lists are shared between threads like the script variables: the
// caller holds ScriptScopesMutex (script/script_variables.h) while it uses the entry.
TimerEntry* FindTimerById(WindowRecord* window, int32_t timerId, uint32_t* index);

// The timer of the window's server connection whose name equals the name ignoring case, or null;
// the same locking as FindTimerById.
TimerEntry* FindTimerByName(WindowRecord* window, const std::wstring& name, uint32_t* index);
// Prints the window's timers (or only the one at the index; all ones for every timer) between a
// header and a footer, each with a link that removes it. A null window prints nothing. Takes the
// scopes lock itself.
void ListTimers(WindowRecord* window, uint32_t index);
