// The notification ticker: a strip at the bottom of the screen in which incoming lines scroll.
#pragma once

#include <windows.h>

#include <atomic>

// The ticker's window while it is open, else null.
extern std::atomic<HWND> TickerWindow;

// Sent to the ticker: wParam the line's WindowRecord, lParam its plain wide text (terminated).
constexpr UINT WM_TICKER_ADD_TEXT = 1032;
