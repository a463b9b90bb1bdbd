// The frame's handling of what the connection's workers hand to the interface thread: server
// lines for the CTCP and DCC filter, DNS results and UPnP requests.
#pragma once

#include <windows.h>

// True when the message was one of them; result then holds the answer.
bool HandleWorkerMessage(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
