// Private messages of the frame window that helpers of every subsystem post or send to it.
#pragma once

#include <windows.h>

constexpr UINT WM_TRAY_NOTIFY = 1027;  // the tray icon's callback message
constexpr UINT WM_INSERT_IMAGE = 1033; // wParam a Rich Edit window, lParam a bitmap
