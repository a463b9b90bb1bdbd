// Pictures from files, and the GDI+ encoders that write them.
#pragma once

#include <windows.h>

#include <string>

namespace peer {
// The picture in the file (any format the system's picture loader reads) as a bitmap of the
// caller's own; null on any failure.
HBITMAP LoadPictureFile(const std::wstring& path);
// Writes the bitmap to the file as PNG (GDI+ must have been started); false on any failure.
bool SaveBitmapAsPng(HBITMAP bitmap, const std::wstring& path);
// Index of the GDI+ image encoder of the MIME type ("image/png"), its CLSID in clsid; ~0u when
// there is none.
unsigned GetImageEncoderClsid(const wchar_t* mimeType, CLSID* clsid);
} // namespace peer
