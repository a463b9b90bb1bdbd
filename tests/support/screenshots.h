// Pictures of what the tests show on the screen, saved as PNG files for a person to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The build folder's "screenshots" folder (created when missing).
std::wstring ScreenshotFolder();
// A new bitmap with what the screen shows in the rectangle, as the user sees it (not every
// control answers WM_PRINT).
HBITMAP CopyScreenArea(const RECT& rect);
// The screen's pixels in the rectangle, row by row from the top (0x00RRGGBB); empty for an empty
// rectangle.
std::vector<uint32_t> ScreenPixels(const RECT& rect);
// Paints the window (another process's too) and waits until the screen shows the same picture of
// it twice in a row: what a person would see once it is drawn. False when it kept changing.
bool WaitUntilDrawn(HWND window, DWORD timeoutMs);
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
