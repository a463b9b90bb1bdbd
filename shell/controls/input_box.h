// The input box under every chat window's view: window keys, formatting codes, history, hints,
// completion and submission.
#pragma once

#include <windows.h>

// The edit procedure the input boxes had before SubclassInputBox; all boxes share one class.
extern WNDPROC PreviousInputBoxProc;

LRESULT CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SubclassInputBox(HWND input);

// The lParam of WM_CHAR 13 that ID_MULTI_LINE_INPUT sends to submit a multi-line box.
constexpr LPARAM kForcedSubmission = 999;
