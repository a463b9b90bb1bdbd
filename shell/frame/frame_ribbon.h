// The frame's ribbon: made at the frame's creation where the system has the ribbon framework and
// the settings ask for it, and the frame's answers to the ribbon's requests.
#pragma once

#include <windows.h>

struct RibbonRequest;

namespace shell {
// Creates and loads the frame's ribbon and gives it the stored colours; true when the frame shows
// it. False leaves nothing behind: the frame then builds its rebar.
bool CreateFrameRibbon(HWND frame);
void DestroyFrameRibbon();
// The frame's answer to one WM_RIBBON_COMMAND (wParam the host, lParam the request).
LRESULT OnRibbonRequest(HWND frame, WPARAM wParam, LPARAM lParam);
} // namespace shell
