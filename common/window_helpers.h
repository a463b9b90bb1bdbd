// Small chores on windows: repainting, measuring a one-line control, scaling to the device,
// the dialog layout subclass and a faked list-view notification.
#pragma once

#include <windows.h>

#include <string>

// Runs a window procedure's handler; nothing it throws leaves the procedure.
template <LRESULT (*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT GuardedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Handler(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

// The window's whole text.
std::wstring GetWindowTextString(HWND window);

// Opens the clipboard for the window, waiting up to three seconds while another program holds
// it: a system's clipboard keeper opens it after every change and, on a busy machine, has been
// seen to hold it for over a second. True when it is open.
bool OpenClipboardPatiently(HWND window);

void RepaintWindow(HWND window);
void RepaintWindowNoErase(HWND window);

// Height a one-line control needs: its non-client height plus the height of "12345678" in the
// font (none: the window's own font, else the default GUI font) plus 5. A null window measures
// on the screen with no non-client part.
int MeasureLineHeight(HWND window, HFONT font);

// Scales left/right by the device's horizontal and top/bottom by its vertical pixels per inch
// over the base resolution.
void ScaleRectToDevice(HDC dc, RECT& rect, int baseResolution);

// Subclass procedure: on WM_SIZE lays out the parent's controls 1000 and 1002 around the
// subclassed window; everything else goes to PreviousResizeProc, which the subclassing code sets.
extern WNDPROC PreviousResizeProc;
LRESULT CALLBACK DialogResizeSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sends target an LVN_ITEMCHANGED notification as if the source list view had sent it.
LRESULT NotifyListItemChanged(HWND target, HWND source, int item, int subItem);
