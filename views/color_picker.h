// The 16-colour picker behind the colour key (dialog "DIALOG_MIRCCOLOR").
#pragma once

#include <windows.h>

// Buttons IDC_COLOUR_FIRST to IDC_COLOUR_LAST are drawn in the palette's colours; choosing one ends the
// dialog with its index (0 to 15), cancelling with -1.
INT_PTR CALLBACK ColorPickerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Brushes the open picker holds (0 while none is open).
int ColorPickerBrushCount();
