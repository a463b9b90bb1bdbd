// The program's tray icon and its balloons.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The one record of the program's tray icon.
NOTIFYICONDATAW& TrayIconData();

// Performs mode (NIM_ADD, NIM_MODIFY or NIM_DELETE) on the icon. Except for NIM_DELETE it
// carries a balloon: the text (none: the icon's tip) with the title, flags and time-out, shown
// only when both text and title are non-empty and the system has balloons (5.1 and later).
BOOL NotifyIconWithBalloon(DWORD mode, NOTIFYICONDATAW& data, UINT timeoutMs, const wchar_t* text,
                           const wchar_t* title, DWORD balloonFlags);

// Sets the tray icon (added when addIcon is set, else modified) with the text as its tip when it
// is shorter than 128 characters. Shows text and title as a balloon for 5000 ms and returns 1
// when both are non-empty; otherwise refreshes the icon without a balloon and returns 0.
int ShowTrayBalloon(const wchar_t* title, const wchar_t* text, bool addIcon, HICON icon, DWORD balloonFlags);
