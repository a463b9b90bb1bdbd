// qv's whole run on the thread that becomes the interface thread: start-up, the message loop and
// shutdown.
#pragma once

#include <windows.h>

// Returns the process's exit code.
int RunQv(HINSTANCE instance);
