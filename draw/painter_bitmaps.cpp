// Bitmaps and images in the three back-ends, and the conversions between GDI bitmaps, GDI+
// bitmaps and WIC.
#include "draw/painter_internal.h"
#include "draw/painter_shapes.h"

#include <cstring>
#include <vector>

using namespace painter_detail;

namespace {

// A DIB section's pixels as top-down 32-bit BGRA rows, read by its own bit depth, stride and
// row order. 24-bit pixels get an opaque alpha.
struct DibPixels {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;
};

bool ReadDibPixels(HBITMAP bitmap, DibPixels& out) {
    DIBSECTION section{};
    if (!bitmap || GetObjectW(bitmap, sizeof section, &section) != sizeof section || !section.dsBm.bmBits)
        return false;
    const int bpp = section.dsBm.bmBitsPixel;
    if (bpp != 24 && bpp != 32) return false;
    const int width = section.dsBm.bmWidth;
    const int height = section.dsBm.bmHeight;
    const bool bottomUp = section.dsBmih.biHeight > 0;
    const size_t stride = static_cast<size_t>(section.dsBm.bmWidthBytes);
    const auto* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
    out.Width = width;
    out.Height = height;
    out.Pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bits + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
        uint32_t* target = &out.Pixels[static_cast<size_t>(y) * width];
        for (int x = 0; x < width; ++x) {
            if (bpp == 32) {
                std::memcpy(&target[x], row + 4 * x, 4);
            } else {
                const uint8_t* px = row + 3 * x;
                target[x] = 0xFF000000u | uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0];
            }
        }
    }
    return true;
}

// A GDI+ bitmap of the pixels in the given 32-bit format, unlocked on every road.
int MakeGdiplusBitmap(const DibPixels& pixels, Gdiplus::PixelFormat format, Gdiplus::GpBitmap** out) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(pixels.Width, pixels.Height, 0, format, nullptr, &bitmap) != Gdiplus::Ok ||
        !bitmap)
        return Gdiplus::OutOfMemory;
    Gdiplus::GpRect area(0, 0, pixels.Width, pixels.Height);
    Gdiplus::BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &area, Gdiplus::ImageLockModeWrite, format, &data) != Gdiplus::Ok) {
        GdipDisposeImage(bitmap);
        return Gdiplus::GenericError;
    }
    const size_t rowBytes = static_cast<size_t>(pixels.Width) * 4;
    const bool fits = data.Stride >= 0 && static_cast<size_t>(data.Stride) >= rowBytes;
    if (fits) {
        for (int y = 0; y < pixels.Height; ++y)
            std::memcpy(static_cast<uint8_t*>(data.Scan0) + static_cast<size_t>(data.Stride) * y,
                        &pixels.Pixels[static_cast<size_t>(y) * pixels.Width], rowBytes);
    }
    GdipBitmapUnlockBits(bitmap, &data);
    if (!fits) {
        GdipDisposeImage(bitmap);
        return Gdiplus::GenericError;
    }
    *out = bitmap;
    return Gdiplus::Ok;
}

ID2D1Bitmap* D2DBitmapFromWic(Painter* p, IWICBitmapSource* source) {
    ID2D1Bitmap* bitmap = nullptr;
    IWICFormatConverter* converter = nullptr;
    if (SUCCEEDED(p->WicFactory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                        nullptr, 0.0, WICBitmapPaletteTypeMedianCut)))
        p->RenderTarget->CreateBitmapFromWicBitmap(converter, nullptr, &bitmap);
    SafeRelease(converter);
    return bitmap;
}

long LoadWicFromDecoder(Painter* p, IWICBitmapDecoder* decoder, ID2D1Bitmap** out) {
    IWICBitmapFrameDecode* frame = nullptr;
    if (decoder && SUCCEEDED(decoder->GetFrame(0, &frame))) *out = D2DBitmapFromWic(p, frame);
    SafeRelease(frame);
    return *out ? S_OK : E_FAIL;
}

void DrawD2DBitmap(Painter* p, ID2D1Bitmap* bitmap, int x, int y, float opacity) {
    const D2D1_SIZE_F size = bitmap->GetSize();
    p->RenderTarget->DrawBitmap(
        bitmap, D2D1::RectF(static_cast<float>(x), static_cast<float>(y), x + size.width, y + size.height),
        opacity, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

Gdiplus::GpBitmap* PlainGdiplusBitmap(HBITMAP bitmap) {
    Gdiplus::GpBitmap* out = nullptr;
    GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &out);
    return out;
}

} // namespace

void* GetBitmapSize(HBITMAP bitmap, int* width, int* height) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return nullptr;
    if (width) *width = info.bmWidth;
    if (height) *height = info.bmHeight;
    return info.bmBits;
}

HBITMAP MirrorBitmap(Painter*, HBITMAP bitmap, uint8_t leftRight) {
    int width = 0, height = 0;
    GetBitmapSize(bitmap, &width, &height);
    HDC source = CreateCompatibleDC(nullptr);
    HDC target = CreateCompatibleDC(nullptr);
    HBITMAP copy = CreateScreenDib(source, width, height, -1);
    HGDIOBJ oldSource = SelectObject(source, bitmap);
    HGDIOBJ oldTarget = SelectObject(target, copy);
    if (leftRight)
        StretchBlt(target, 0, 0, width, height, source, width - 1, 0, -width, height, SRCCOPY);
    else
        StretchBlt(target, 0, 0, width, height, source, 0, height - 1, width, -height, SRCCOPY);
    SelectObject(source, oldSource);
    SelectObject(target, oldTarget);
    DeleteDC(source);
    DeleteDC(target);
    return copy;
}

int BitmapFromHbitmapAlpha(Painter*, HBITMAP bitmap, int pixelFormat, Gdiplus::GpBitmap** out) {
    if (!bitmap || !out) return Gdiplus::InvalidParameter;
    DibPixels pixels;
    if (!ReadDibPixels(bitmap, pixels)) return Gdiplus::InvalidParameter;
    return MakeGdiplusBitmap(pixels, pixelFormat, out);
}

Gdiplus::GpBitmap* AlphaBitmapFromHbitmap(Painter* p, HBITMAP bitmap) {
    Gdiplus::GpBitmap* out = nullptr;
    if (BitmapFromHbitmapAlpha(p, bitmap, PixelFormat32bppARGB, &out) == Gdiplus::Ok) return out;
    return PlainGdiplusBitmap(bitmap);
}

Gdiplus::GpBitmap* BitmapFromDibRows(HBITMAP bitmap) {
    DibPixels pixels;
    Gdiplus::GpBitmap* out = nullptr;
    if (!ReadDibPixels(bitmap, pixels)) return nullptr;
    return MakeGdiplusBitmap(pixels, PixelFormat32bppPARGB, &out) == Gdiplus::Ok ? out : nullptr;
}

void PainterDrawBitmap(Painter* p, int x, int y, HBITMAP bitmap, float opacity, uint8_t hasAlpha,
                       void** cache) {
    if (!p || (!bitmap && !(cache && *cache))) return;
    if (HasDc(p)) {
        int width = 0, height = 0;
        GetBitmapSize(bitmap, &width, &height);
        HDC temporary = CreateCompatibleDC(p->WindowDc ? p->WindowDc : p->DrawingDc);
        HGDIOBJ old = SelectObject(temporary, bitmap);
        BitBlt(p->DrawingDc, x, y, width, height, temporary, 0, 0, SRCCOPY);
        SelectObject(temporary, old);
        DeleteDC(temporary);
    } else if (HasGraphics(p)) {
        auto* image = cache ? static_cast<Gdiplus::GpBitmap*>(*cache) : nullptr;
        if (!image) image = hasAlpha ? AlphaBitmapFromHbitmap(p, bitmap) : PlainGdiplusBitmap(bitmap);
        if (!image) return;
        Note(p->Graphics, GdipDrawImageI(p->Graphics.Handle, image, x, y));
        if (cache)
            *cache = image;
        else
            GdipDisposeImage(image);
    } else if (HasD2DTarget(p)) {
        auto* converted = cache ? static_cast<ID2D1Bitmap*>(*cache) : nullptr;
        if (!converted && p->WicFactory) {
            IWICBitmap* wic = nullptr;
            if (SUCCEEDED(p->WicFactory->CreateBitmapFromHBITMAP(
                    bitmap, nullptr, hasAlpha ? WICBitmapUseAlpha : WICBitmapIgnoreAlpha, &wic))) {
                if (FAILED(p->RenderTarget->CreateBitmapFromWicBitmap(wic, nullptr, &converted)))
                    converted = D2DBitmapFromWic(p, wic);
            }
            SafeRelease(wic);
        }
        if (!converted) return;
        DrawD2DBitmap(p, converted, x, y, opacity);
        if (cache)
            *cache = converted;
        else
            converted->Release();
    }
}

void PainterDrawImage(Painter* p, int x, int y, Gdiplus::GpBitmap* image, uint8_t alpha) {
    if (!p || !image) return;
    if (HasGraphics(p)) {
        Note(p->Graphics, GdipDrawImageI(p->Graphics.Handle, image, x, y));
        return;
    }
    HBITMAP bitmap = nullptr;
    if (GdipCreateHBITMAPFromBitmap(image, &bitmap, 0xFFFFFFFF) != Gdiplus::Ok || !bitmap) return;
    PainterDrawBitmap(p, x, y, bitmap, static_cast<float>(alpha), 0, nullptr);
    DeleteObject(bitmap);
}

namespace {

// Direct2D draws the picture its WIC loader gives, with the opacity; GDI draws the bitmap its
// loader gives, opaque.
template <typename LoadWic, typename LoadGdi>
void DrawLoadedImage(Painter* p, int x, int y, float opacity, LoadWic loadWic, LoadGdi loadGdi) {
    if (p->Mode == kPainterDirect2D) {
        ID2D1Bitmap* bitmap = nullptr;
        if (HasD2DTarget(p) && loadWic(&bitmap) == S_OK) {
            DrawD2DBitmap(p, bitmap, x, y, opacity);
            bitmap->Release();
        }
        return;
    }
    auto bitmap = static_cast<HBITMAP>(loadGdi());
    if (!bitmap) return;
    PainterDrawBitmap(p, x, y, bitmap, 1.0f, 0, nullptr);
    DeleteObject(bitmap);
}

} // namespace

void PainterDrawImageFile(Painter* p, int x, int y, const wchar_t* path, float opacity) {
    if (!p || !path) return;
    DrawLoadedImage(
        p, x, y, opacity, [&](ID2D1Bitmap** bitmap) { return LoadWicBitmapFile(p, path, bitmap); },
        [&] { return LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE); });
}

void PainterDrawImageResource(Painter* p, int x, int y, HMODULE module, const wchar_t* name,
                              const wchar_t* type, float opacity) {
    if (!p || !name) return;
    DrawLoadedImage(
        p, x, y, opacity,
        [&](ID2D1Bitmap** bitmap) { return LoadWicBitmapResource(p, module, name, type, bitmap); },
        [&] { return LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION); });
}

long LoadWicBitmapFile(Painter* p, const wchar_t* path, ID2D1Bitmap** out) {
    if (!out) return E_FAIL;
    *out = nullptr;
    if (!HasD2DTarget(p) || !p->WicFactory || !path) return E_FAIL;
    IWICBitmapDecoder* decoder = nullptr;
    p->WicFactory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                             &decoder);
    const long result = LoadWicFromDecoder(p, decoder, out);
    SafeRelease(decoder);
    return result;
}

long LoadWicBitmapResource(Painter* p, HMODULE module, const wchar_t* name, const wchar_t* type,
                           ID2D1Bitmap** out) {
    if (!out) return E_FAIL;
    *out = nullptr;
    if (!HasD2DTarget(p) || !p->WicFactory) return E_FAIL;
    HRSRC found = FindResourceW(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!bytes || size == 0) return E_FAIL;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    long result = E_FAIL;
    if (SUCCEEDED(p->WicFactory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(static_cast<BYTE*>(bytes), size)) &&
        SUCCEEDED(
            p->WicFactory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnLoad, &decoder)))
        result = LoadWicFromDecoder(p, decoder, out);
    SafeRelease(decoder);
    SafeRelease(stream);
    return result;
}
