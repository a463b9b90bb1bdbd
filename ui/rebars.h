// The rebars and toolbars of the frame (when it has no ribbon) and of every chat window. Buttons
// send their command ids as WM_COMMAND through the rebar to the window that owns it.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int kMainRebarId = 910;       // the frame's bar; also a chat window's standard bar
constexpr int kStandardToolbarId = 911; // inside rebar 910
constexpr int kControlRebarId = 930;    // a chat window's formatting bar (toolbar 921)
constexpr int kControlToolbarId = 921;
constexpr int kInsertsRebarId = 922; // the operator bar of a channel window (toolbar 922 inside)

// The frame's six large-icon toolbars labelled with the main menu's texts; 32 pixels high.
HWND CreateMainRebar(HWND frame);
// The chat window's standard bar; null when the window has no window record.
HWND CreateChildRebar(HWND chatWindow);
// The formatting bar above the input box.
HWND CreateControlRebar(HWND chatWindow);
// The operator bar under a channel's nick list; null for any other window.
HWND CreateInsertsRebar(HWND chatWindow);

// The preferences window's bar: New, (unused), Delete, and the help button.
HWND CreatePreferencesRebar(HWND window);

// The height the rebar takes as it is drawn now: its rows of bands and its border.
int RebarHeight(HWND rebar);
// The width the rebar needs to show every button of its bands on one row, border included.
int RebarRowWidth(HWND rebar);
// The widths, counted as RebarRowWidth counts them, at which a one-band rebar ends just after
// each of its toolbar's shown buttons, left to right; how many were written (0 for any other
// rebar).
int RebarButtonStops(HWND rebar, int* stops, int most);

// The main menu's text of an item (MF_BYCOMMAND) or top-level popup (MF_BYPOSITION), cut at its
// first tab, without trailing dots; at most 999 characters.
void GetMenuLabel(uint32_t idOrPosition, uint32_t flags, wchar_t* out);
