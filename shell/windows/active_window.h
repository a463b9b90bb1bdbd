// Which chat window the user works in, and whether the program is in front.
#pragma once

#include "core/client_services.h"

#include <cstdint>

struct WindowRecord;

namespace shell {
// The record whose window is the foreground window (a detached chat window), else the record of
// the MDI client's active child; null when there is none.
WindowRecord* GetActiveWindowRecord();
} // namespace shell
// The active record's position in the window list, kNoWindowIndex when none.
uint32_t GetActiveWindowIndex();
namespace shell {
// True when the foreground window is the frame or the window of any record.
bool IsAppForeground();
} // namespace shell
