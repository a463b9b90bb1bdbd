// Pictures and OLE objects embedded in chat views.
#pragma once

#include "core/client_services.h"

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <string>

struct WindowRecord;
struct InsertObjectRequest;

namespace peer {
// Inserts the bitmap at the view's caret as a static picture; 0 on success (the bitmap is then
// the insert's), -1 on failure (the caller keeps it). Off the interface thread the frame does it
// (WM_INSERT_IMAGE) and its result is returned.
int InsertImageIntoRichEdit(HWND richEdit, HBITMAP bitmap);
// The same on the control's own thread, with a value of the caller's kept with the object (its
// REOBJECT's dwUser), by which the caller knows the object again.
int InsertTaggedImage(HWND richEdit, HBITMAP bitmap, DWORD tag);

// Puts an object into the view at its caret and scrolls to the end; 1 on success, 0 on failure.
// With object set: a new control of the class, handed back un-released. Otherwise the object
// stored in the file (".\save.stg" when none), loaded from a copy so the file stays free.
// Interface thread only.
int InsertOleObject(HWND richEdit, const wchar_t* storagePath, const CLSID& clsid, IOleObject** object);
// The frame's WM_INSERT_OBJECT: asks the request's question first when it has one.
int InsertRequestedObject(const InsertObjectRequest* request);

// The player control in the window's view (through the frame), playing the movie file on the
// background colour (0xFFFFFFFF: the views' "BG_Color"), active in place; 0 for an empty path or
// when there is no player.
int InsertFlashObject(WindowRecord* record, const std::wstring& movie, uint32_t background);
// The player's background text: "#" and red, green and blue as two upper-case hex digits each.
std::wstring FlashBackgroundText(COLORREF color);
} // namespace peer
