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
