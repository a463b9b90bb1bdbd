// The command ids of the menus, toolbars, popups and keys that the frame, the MDI client and the
// chat windows receive as WM_COMMAND. This build carries the commands of window handling and
// input formatting; ids of dialogs and features not built yet do nothing.
#pragma once

#include <windows.h>

void HandleMenuCommand(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the main menu's group at this position as a popup at the cursor.
void ShowMainMenuGroup(UINT position);
