// Subclass procedures of a chat window's view and nick list, and of the frame's MDI client.
#pragma once

#include <windows.h>

#include <cstdint>

extern WNDPROC PreviousViewProc;
extern WNDPROC PreviousNickListProc;
extern WNDPROC PreviousMdiClientProc;

LRESULT CALLBACK ViewSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK NickListSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MdiClientSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void SubclassView(HWND view);
void SubclassNickList(HWND list);
void SubclassMdiClient(HWND client);

// The popup of the last right-click and whose it is: the window type 1-4 for a view popup, 5 for
// the nick-list popup. The popup commands read it back. Interface thread only.
extern HMENU CurrentPopupMenu;
extern uint32_t CurrentPopupKind;
// Destroys the current popup (when there is one) and makes this one current.
void ReplaceCurrentPopup(HMENU menu, uint32_t kind);
