// The frame takes the windows other threads ask for (core/open_chat_window.h) in slices. A slice
// makes windows while no input, painting or timer waits, and ends as soon as one does (or after
// a short while); what is left waits until those have had their turn: the program's message loop
// takes it again right after handling them, and a timer does when another loop (a menu, a dialog)
// runs meanwhile.
#pragma once

#include <windows.h>

constexpr UINT_PTR kWindowRequestTimerId = 3;

// WM_TAKE_WINDOW_REQUESTS (afterOthers false) and the timer (true: whatever waits now has had its
// turn, so one window is made in any case).
void TakeWindowRequestSlice(HWND frame, bool afterOthers);
// The message loop's call after each message it handled.
void ResumeWindowRequests(HWND frame);
