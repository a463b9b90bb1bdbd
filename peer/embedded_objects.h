// Pictures and OLE objects embedded in chat views.
#pragma once

#include "core/client_services.h"

#include <windows.h>

namespace peer {
// Inserts the bitmap at the view's caret as a static picture; 0 on success (the bitmap is then
// the insert's), -1 on failure (the caller keeps it). Off the interface thread the frame does it
// (WM_INSERT_IMAGE) and its result is returned.
int InsertImageIntoRichEdit(HWND richEdit, HBITMAP bitmap);
} // namespace peer
