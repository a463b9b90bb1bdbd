// The main menu, rebuilt for the type of the window the user works in.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr uint32_t kNoPluginMenuEntry = 0xFFFFFFFF;

// Rebuilds the menu of the window for the window type (0 none, 1 server, 2 channel, 3 query,
// 4 DCC chat); dropPluginEntry names a plug-in menu entry to erase, or kNoPluginMenuEntry.
void UpdateMainMenu(uint32_t windowType, HWND window, uint32_t dropPluginEntry);
