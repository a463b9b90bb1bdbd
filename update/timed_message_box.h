// A message box that answers for the user after a time, where the system offers one.
#pragma once

#include <windows.h>

constexpr DWORD kNoTimeLimit = 0xFFFFFFFF;
constexpr int kMessageBoxTimedOut = 32000;

// Shows the box through user32's MessageBoxTimeoutW, whose time-out answer becomes
// defaultAnswer; without that function, or with kNoTimeLimit, the ordinary box without limit.
int TimedMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, DWORD timeoutMs,
                    int defaultAnswer);
