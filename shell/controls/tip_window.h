// The small read-only popup above a window's input box that shows a usage hint.
#pragma once

#include <windows.h>

struct WindowRecord;

// Creates the record's tip popup (top-most, read-only, bordered Rich Edit placed above the input
// box, in the view's font) unless "Cfg\\Options2" "Disable_Tips" is 1; the focus stays in the
// input box. Returns the popup, or null.
HWND CreateTipWindow(WindowRecord* record);
