// Running the script timers of a connection: the chat window that holds a timer calls this when
// it fires.
#pragma once

#include <windows.h>

struct WindowRecord;

namespace commands {
// Runs the command of the timer with this id for the server window of the record, counts the run
// down and ends the timer after its last run (or when it no longer exists). A timer made while
// text from a server was handled runs its command as such text again.
void RunScriptTimer(WindowRecord* record, HWND window, UINT_PTR id);
// A chat window's answer to WM_SCRIPT_TIMER: sets (interval above 0) or kills its timer.
void SetScriptTimer(HWND window, WPARAM id, LPARAM interval);
} // namespace commands
