// Pictures and OLE objects embedded in chat views.
#pragma once

#include <windows.h>

// Inserts the bitmap at the view's caret as a static picture; 0 on success, -1 on failure. Off the
// interface thread the frame does it (WM_INSERT_IMAGE) and the result is -1.
int InsertImageIntoRichEdit(HWND richEdit, HBITMAP bitmap);
