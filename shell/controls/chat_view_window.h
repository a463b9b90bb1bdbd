// The window of the custom-drawn chat view, class "twin": it draws its lines and its own typed
// line through the Painter.
#pragma once

#include <windows.h>

bool RegisterChatViewClass();
LRESULT CALLBACK ChatViewWndProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam);
