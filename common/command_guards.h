// Guards that end the current command by throwing a refusal (common/refusal.h).
#pragma once

#include <windows.h>

#include <cstdint>

// Throws the integer kRefused when the value is below 0.
void RequireNonNegative(int32_t value);
// Off the interface thread: sends the main window WM_INSERT_IMAGE with the arguments and throws
// the integer kForwardedToUiThread. On the interface thread it returns, and the caller does the work itself.
void ForwardToInterfaceThread(WPARAM wParam, LPARAM lParam);
