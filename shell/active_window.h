// Which chat window the user works in, and whether the program is in front.
#pragma once

#include <cstdint>

struct WindowRecord;

// The record whose window is the foreground window (a detached chat window), else the record of
// the MDI client's active child; null when there is none.
WindowRecord* GetActiveWindowRecord();
// The active record's position in the window list, kNoWindowIndex when none.
uint32_t GetActiveWindowIndex();
// True when the foreground window is the frame or the window of any record.
bool IsAppForeground();
