// The one drawing interface of the program: a Painter draws through GDI (mode 0), the flat
// GDI+ API (mode 1) or Direct2D with DirectWrite and WIC (mode 2), chosen per instance.
#pragma once

#include <windows.h>

#include <cstdint>

struct ID2D1Factory;
struct ID2D1RenderTarget;
struct ID2D1SolidColorBrush;
struct IDWriteFactory;
struct IDWriteTextFormat;
struct IWICImagingFactory;

namespace Gdiplus {
class GpGraphics;
class GpFont;
class GpFontCollection;
class GpBitmap;
} // namespace Gdiplus

// Red in bits 0-7, green 8-15, blue 16-23, alpha 24-31; alpha 0 is opaque like alpha 255.
using PainterColor = uint32_t;

enum PainterMode : uint32_t { kPainterGdi = 0, kPainterGdiPlus = 1, kPainterDirect2D = 2 };

struct D2DColor {
    float r, g, b, a;
};

uint32_t ToGdiplusArgb(PainterColor colour);
D2DColor ToD2DColor(PainterColor colour);

// A GDI+ object and the last non-zero status of a call on it.
template <typename T> struct GdipHeld {
    T* Handle = nullptr;
    int Status = 0;
};

// The camera model of projected drawing: pose (translation, then rotation in radians),
// viewport, offset and scale applied to every point.
struct ProjectionState {
    float Pose[6] = {0, 0, -100, 0, 0, 0};
    double Viewport[4] = {0, 0, 0, 0};
    float Offset[3] = {0, 0, 0};
    float Scale[3] = {1, 1, 1};
    float Output[2] = {0, 0};
};

struct BrushCacheSlot {
    ID2D1SolidColorBrush* Brush = nullptr;
    PainterColor Colour = 0;
};

constexpr int kBrushCacheSlots = 10000;
constexpr int kFontVariants = 8;

struct Painter {
    uint8_t BackBuffer = 0;
    uint8_t MultiThreadedFactory = 0;
    uint8_t SoftwareTarget = 0;
    uint32_t Mode = kPainterGdi;
    uint8_t AntiAlias = 0;
    HWND Window = nullptr;
    RECT ClientRect{};
    HDC DrawingDc = nullptr;
    HDC WindowDc = nullptr;
    GdipHeld<Gdiplus::GpGraphics> Graphics;
    Gdiplus::GpFontCollection* PrivateFonts = nullptr;
    GdipHeld<Gdiplus::GpFont> CurrentFont;
    GdipHeld<Gdiplus::GpFont> FontVariants[kFontVariants];
    uint8_t DcOwned = 0;
    uint8_t WindowDcObtained = 0;
    uint8_t GraphicsOwned = 0;
    HBITMAP BackBufferBitmap = nullptr;
    HBITMAP PreviousBitmap = nullptr;
    RECT DcRect{};
    uint8_t PreferredTargetType = 0;
    HMODULE DwriteModule = nullptr;
    IDWriteTextFormat* CurrentTextFormat = nullptr;
    IDWriteTextFormat* TextFormats[kFontVariants] = {};
    ID2D1Factory* D2DFactory = nullptr;
    IWICImagingFactory* WicFactory = nullptr;
    IDWriteFactory* DwriteFactory = nullptr;
    ID2D1RenderTarget* RenderTarget = nullptr;
    uint32_t TargetKind = 0;
    // A DC render target's binding, kept so a lost target can be made again.
    HDC TargetDc = nullptr;
    RECT TargetRect{};
    uint8_t TargetLost = 0;
    // Mode 0: the colour and font of GDI text.
    HFONT GdiFont = nullptr;
    LOGFONTW GdiLogFont{};
    uint8_t HasGdiLogFont = 0;
    BrushCacheSlot BrushCache[kBrushCacheSlots];
    ProjectionState Projection;
};

// Record, begin and release, frames.
Painter* PainterBegin(Painter* painter, HWND window, HDC targetDc, HDC windowDc,
                      Gdiplus::GpGraphics* graphics, uint32_t mode, uint8_t antiAlias, uint8_t backBuffer,
                      const RECT* targetRect, uint8_t multiThreadedFactory, uint8_t softwareTarget);
void PainterRelease(Painter* painter);
void PainterBeginDraw(Painter* painter);
uint32_t PainterPresent(Painter* painter, uint64_t* tag1, uint64_t* tag2);
void PainterResize(Painter* painter);
void PainterSetMode(Painter* painter, uint32_t mode);
void PainterSetBackBuffer(Painter* painter, uint8_t backBuffer);
void PainterSetAntiAlias(Painter* painter, uint8_t antiAlias);
bool PainterIsDirect2D(const Painter* painter);
bool PainterModeAvailable(uint32_t mode);
// Whether DirectWrite lays text out in the font, asked of DirectWrite alone: nothing of Direct2D
// is loaded or made, and nothing is kept.
bool PainterDirectWriteMeasures(HFONT font);
ID2D1SolidColorBrush* PainterGetBrush(Painter* painter, PainterColor colour);
void PainterClearBrushCache(Painter* painter);
// A bottom-up DIB section of the given size; depth -1 is the display's bits per pixel.
HBITMAP CreateScreenDib(HDC dc, int width, int height, int depth);

// Fonts and text. hAlign/vAlign: 0 near, 1 centre, 2 far.
void PainterSetFont(Painter* painter, HFONT font, uint8_t makeVariants, const wchar_t* fontFile,
                    int32_t fontFileSize);
void PainterSelectFontStyle(Painter* painter, uint8_t bold, uint8_t italic, uint8_t underline);
uint32_t PainterMeasureText(Painter* painter, const wchar_t* text, int32_t length, int32_t hAlign,
                            int32_t vAlign, HFONT font);
void PainterDrawText(Painter* painter, const wchar_t* text, int32_t length, int32_t x, int32_t y,
                     int32_t width, int32_t height, int32_t hAlign, int32_t vAlign, PainterColor colour,
                     int32_t noWrap);
void PainterDrawTextInRect(Painter* painter, const wchar_t* text, int32_t length, const RECT* rect,
                           int32_t hAlign, int32_t vAlign, PainterColor colour, int32_t noWrap);

// Transforms and clearing.
void PainterSetTransform(Painter* painter, float m11, float m12, float m21, float m22, float dx, float dy);
void PainterSetTranslation(Painter* painter, float dx, float dy);
void PainterSetScale(Painter* painter, float sx, float sy);
void PainterGetTransform(Painter* painter, float out[6]);
void PainterMultiplyTransform(Painter* painter, float m11, float m12, float m21, float m22, float dx,
                              float dy);
void PainterClear(Painter* painter, PainterColor colour);
