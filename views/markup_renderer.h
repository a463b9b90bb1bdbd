// Rendering one line of display markup into a Rich Edit control as character formats.
#pragma once

#include <windows.h>

#include <string>

struct WindowRecord;

struct RenderTarget {
    HWND Control = nullptr;
    WindowRecord* Record = nullptr; // for object offers and the window shake; may be null
    bool NoLock = false;            // handed to RichEditAppendText
    bool IgnoreAttributes = false;  // control characters are shown as text
};

// Sets the line colour, walks the line (up to its first line break) applying the markup, restores
// the control's format as it was before, then marks the link and hidden ranges.
void RenderMarkupLine(const RenderTarget& target, std::wstring line, COLORREF color);
