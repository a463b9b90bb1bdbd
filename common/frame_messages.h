// Private messages of the frame window that helpers of every subsystem post or send to it.
#pragma once

#include <windows.h>

constexpr UINT WM_TRAY_NOTIFY = 1027;        // the tray icon's callback message
constexpr UINT WM_INSERT_IMAGE = 1033;       // wParam a Rich Edit window, lParam a bitmap
constexpr UINT WM_RUN_ACTIVEX_SCRIPT = 1035; // wParam the language, lParam the code (both wide)
