// The input box's edit class "brindlex_spedit": the system edit control, with Ctrl keys that
// insert the chat control characters (bold, colour, ...) and Tab swallowed.
#pragma once

#include <windows.h>

// Registers the class as a global class of the program; true when registered.
bool RegisterSpecialEditClass();
LRESULT CALLBACK SpecialEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
