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
