// Handles of the frame's own children that the window records and their tabs are shown in.
// The frame sets them when it creates the controls and clears them when it destroys them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>

extern std::atomic<HWND> MdiClientWindow;
// The tab strip (control id 1500): one tab per window record, the record as the item data and the
// tab state as the image index.
extern std::atomic<HWND> WindowTabsControl;
// The start panel shown while no chat window exists; null when it is closed.
extern std::atomic<HWND> StartPanelWindow;

constexpr const wchar_t* kProgramTitle = L"Brindlex";

// The main menu ("MENU_MAIN" of the language library), loaded by start-up; docked windows share it.
extern std::atomic<HMENU> MainMenuHandle;

// The notification ticker's window while it is open, else null.
extern std::atomic<HWND> TickerWindow;
// Sent to the ticker: wParam the line's WindowRecord, lParam its plain wide text (terminated).
constexpr UINT WM_TICKER_ADD_TEXT = 1032;

// The ban-list dialog's Rich Edit view while the dialog is open, else null: list replies print
// into it instead of the channel window.
extern std::atomic<HWND> BanListDialogView;
