// The start panel: the resource library's page "whatsnew" in a WebBrowser control that fills the
// frame while no chat window is open. Its "app:" links run the few menu commands a page may run.
#pragma once

#include <windows.h>

// Sent to the frame by the panel's host with an AxEvent of the browser.
constexpr UINT WM_START_PANEL_EVENT = WM_APP + 0x126;
// Posted to the frame when the panel cannot show its page: the panel is closed and this is told.
constexpr UINT WM_START_PANEL_FAILED = WM_APP + 0x127;

// Opens the panel in the frame; false when it is not open afterwards. After a failure (no
// browser control, or no HTML engine behind it) it is not tried again in this run.
bool OpenStartPanel(HWND frame);
// Closes the panel when it is open.
void CloseStartPanel();
// The frame's handling of the two messages above; true when the message was one of them.
bool HandleStartPanelMessage(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
