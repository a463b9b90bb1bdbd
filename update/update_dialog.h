// The update dialog: a modeless window from the program's own resources with a status line, a
// bar for the current file and one over all files, and room for a page; its tray icon.
#pragma once

#include <windows.h>

#include <atomic>

constexpr int kUpdateStatusText = 701;
constexpr int kUpdateFileBar = 901;
constexpr int kUpdateTotalBar = 902;
constexpr int kUpdatePagePlaceholder = 888;

// The tray icon's callback message and id, and the worker's done notice.
constexpr UINT kUpdateTrayMessage = 1034;
constexpr UINT kUpdateDoneMessage = 1035;

// Set when the user closes the dialog: the run stops after the current read.
extern std::atomic<bool> UpdateCancelRequested;

// "DIALOG_UPDATE" of the program's module, modeless, without owner and hidden; null when the
// program carries no such template.
HWND CreateUpdateDialog();
INT_PTR CALLBACK UpdateDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shrinks the dialog to leave out the page's room, for a run without a page.
void CollapseUpdatePageRoom(HWND dialog);

void AddUpdateTrayIcon(HWND dialog);
void RemoveUpdateTrayIcon();
