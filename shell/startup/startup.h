// qv's whole run on the thread that becomes the interface thread: start-up, the message loop and
// shutdown.
#pragma once

#include <windows.h>

// Returns the process's exit code.
int RunQv(HINSTANCE instance);

// The classes of the frame ("BRINDLEX2000_Main") and of the chat windows ("BRINDLEX2000_IRC");
// false when either cannot be registered.
bool RegisterShellWindowClasses(HINSTANCE instance);
// The maximised frame with its hidden MDI client; null when it cannot be created.
HWND CreateFrameWindow(HINSTANCE instance);

// Runs the command of "-e" (or "-s", "-sk") once and forgets it.
void RunStartupCommand();
