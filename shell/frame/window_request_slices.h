// The frame takes the windows other threads ask for (core/open_chat_window.h) in slices. A slice
// makes the windows asked for, waiting briefly for the next request while none waits, for at most
// a short while, and ends at once when a key is pressed or a button clicked; what is left waits
// until input, painting and timers have had their turn (shell/windows/turn_taking.h).
#pragma once

#include <windows.h>

// WM_TAKE_WINDOW_REQUESTS: a slice now, or once what waits has had its turn.
void TakeWindowRequestSlice();
