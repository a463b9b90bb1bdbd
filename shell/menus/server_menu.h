// The connect menu: one item per saved server of the user's settings, and the automatic
// connections at start-up.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr uint32_t kServerMenuItems = 100;

// Appends the servers of the "Servers" element of UserConfigDocument to the first popup of the
// menu, seeding that element from the resource "DEFAULT_SERVERS" of the resource library when it
// is missing, and posts WM_COMMAND ID_SERVER_FIRST + i to the window for every server marked
// "Auto_Connect" 1.
void BuildServerMenu(HMENU mainMenu, HWND mainWindow);
// The start-up form: the main window's menu and the main window.
void BuildServerMenu();
