// Pictures of what the tests show on the screen, saved as PNG files for a person to look at.
#pragma once

#include <windows.h>

#include <string>

// The build folder's "screenshots" folder (created when missing).
std::wstring ScreenshotFolder();
// A new bitmap with what the screen shows in the rectangle, as the user sees it (not every
// control answers WM_PRINT).
HBITMAP CopyScreenArea(const RECT& rect);
// Writes the bitmap as a PNG file; true when written.
bool SaveBitmapAsPng(HBITMAP bitmap, const std::wstring& path);

// Starts a command of the host system through its shell (the tests run under Wine) and waits a
// while for the shell to return; true when it did with success.
bool RunHostShell(const std::string& command);
// A copy of the X display's area of the window (what a person looking at the display sees), read
// by the host's tools, saved as PNG; true when written. Without a host, the screen as Wine has it.
bool SaveScreenshot(HWND window, const std::wstring& path);
// The same for a rectangle of the screen.
bool SaveScreenAreaShot(const RECT& rect, const std::wstring& path);
