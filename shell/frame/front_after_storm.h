// The window a storm of windows would have left in front: while other threads ask for windows
// back to back (core/open_chat_window.h), each new one opens behind the active window, so the
// frame does not move the front, its menu and its focus hundreds of times; once the storm has
// calmed the newest of them comes in front, as it would have without the storm.
#pragma once

#include <windows.h>

// On the frame's thread: the window comes in front once no window was asked for a while, unless
// the window in front is no longer `front` by then (the person chose another meanwhile).
void BringInFrontAfterStorm(HWND child, HWND front);
