// What the Painter's source files share: the platform headers and small helpers.
#pragma once

#include "draw/painter.h"

#include <objidl.h>
#include <d2d1.h>
#include <dwrite.h>
#include <gdiplus.h>
#include <wincodec.h>

namespace painter_detail {

using namespace Gdiplus::DllExports;

template <typename T> void SafeRelease(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

// Stores a failing GDI+ status in the object's last status.
template <typename T> void Note(GdipHeld<T>& held, Gdiplus::GpStatus status) {
    if (status != Gdiplus::Ok) held.Status = static_cast<int>(status);
}

inline bool HasD2DTarget(const Painter* p) {
    return p && p->Mode == kPainterDirect2D && p->RenderTarget;
}
inline bool HasGraphics(const Painter* p) {
    return p && p->Mode == kPainterGdiPlus && p->Graphics.Handle;
}
inline bool HasDc(const Painter* p) {
    return p && p->Mode == kPainterGdi && p->DrawingDc;
}

inline D2D1_COLOR_F D2D(PainterColor colour) {
    const D2DColor c = ToD2DColor(colour);
    return D2D1::ColorF(c.r, c.g, c.b, c.a);
}

inline size_t TextLength(const wchar_t* text, int32_t length) {
    if (!text) return 0;
    return length < 0 ? wcslen(text) : static_cast<size_t>(length);
}

void ResetProjection(Painter* painter);
void ReleaseTextFormats(Painter* painter);
void DeleteGdiplusFonts(Painter* painter);
// Makes a Direct2D render target for the painter's window or DC binding.
void CreateRenderTarget(Painter* painter);

} // namespace painter_detail
