// The Painter's record: begin and release, frames, the Direct2D brush cache, transforms and
// clearing.
#include "draw/painter_internal.h"
#include "draw/painter_shapes.h"

#include <memory>
#include <mutex>

using namespace painter_detail;

namespace {

// Direct2D's module and factory are loaded once for the process and kept to its end.
std::mutex d2dLock;
HMODULE d2dModule = nullptr;
ID2D1Factory* d2dFactory = nullptr;

using CreateD2DFactory = HRESULT(WINAPI*)(D2D1_FACTORY_TYPE, REFIID, const D2D1_FACTORY_OPTIONS*, void**);
using CreateDWriteFactory = HRESULT(WINAPI*)(DWRITE_FACTORY_TYPE, REFIID, IUnknown**);

ID2D1Factory* ProcessFactory(bool multiThreaded) {
    std::lock_guard<std::mutex> hold(d2dLock);
    if (d2dFactory) return d2dFactory;
    if (!d2dModule) d2dModule = LoadLibraryW(L"D2D1.DLL");
    if (!d2dModule) return nullptr;
    auto create = reinterpret_cast<CreateD2DFactory>(GetProcAddress(d2dModule, "D2D1CreateFactory"));
    if (!create) {
        FreeLibrary(d2dModule);
        d2dModule = nullptr;
        return nullptr;
    }
    void* factory = nullptr;
    if (SUCCEEDED(create(multiThreaded ? D2D1_FACTORY_TYPE_MULTI_THREADED : D2D1_FACTORY_TYPE_SINGLE_THREADED,
                         __uuidof(ID2D1Factory), nullptr, &factory)))
        d2dFactory = static_cast<ID2D1Factory*>(factory);
    return d2dFactory;
}

void NullHandles(Painter* p) {
    p->PreferredTargetType = 0;
    ResetProjection(p);
    p->DrawingDc = p->WindowDc = nullptr;
    p->Graphics = {};
    p->PrivateFonts = nullptr;
    p->CurrentFont = {};
    for (auto& variant : p->FontVariants) variant = {};
    p->BackBufferBitmap = p->PreviousBitmap = nullptr;
    p->DwriteModule = nullptr;
    p->CurrentTextFormat = nullptr;
    for (auto& format : p->TextFormats) format = nullptr;
    p->D2DFactory = nullptr;
    p->WicFactory = nullptr;
    p->DwriteFactory = nullptr;
    p->RenderTarget = nullptr;
    p->DcOwned = p->WindowDcObtained = p->GraphicsOwned = 0;
}

// The painter's own DirectWrite module and shared factory; without the export the module is
// given back and there is no factory.
void LoadDirectWrite(Painter* p) {
    auto createWrite =
        p->DwriteModule
            ? reinterpret_cast<CreateDWriteFactory>(GetProcAddress(p->DwriteModule, "DWriteCreateFactory"))
            : nullptr;
    if (createWrite) {
        IUnknown* factory = nullptr;
        if (SUCCEEDED(createWrite(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory), &factory)))
            p->DwriteFactory = static_cast<IDWriteFactory*>(factory);
    } else if (p->DwriteModule) {
        FreeLibrary(p->DwriteModule);
        p->DwriteModule = nullptr;
    }
}

void Direct2DSetUp(Painter* p, HDC targetDc, const RECT* targetRect) {
    NullHandles(p);
    p->DwriteModule = LoadLibraryW(L"DWRITE.DLL");
    p->D2DFactory = ProcessFactory(p->MultiThreadedFactory != 0);
    if (!p->D2DFactory) return;
    void* wic = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, 0x17, IID_IWICImagingFactory, &wic)))
        p->WicFactory = static_cast<IWICImagingFactory*>(wic);
    LoadDirectWrite(p);
    p->TargetDc = targetRect ? targetDc : nullptr;
    if (targetRect) p->TargetRect = *targetRect;
    CreateRenderTarget(p);
}

void DeviceContextSetUp(Painter* p, HDC windowDc, Gdiplus::GpGraphics* graphics) {
    NullHandles(p);
    GetClientRect(p->Window, &p->DcRect);
    p->DcOwned = 1;
    if (p->BackBuffer) {
        p->WindowDc = windowDc;
        if (!p->WindowDc) {
            p->WindowDc = GetDC(p->Window);
            p->WindowDcObtained = 1;
        }
        p->BackBufferBitmap = CreateScreenDib(p->WindowDc, p->DcRect.right, p->DcRect.bottom, -1);
        p->DrawingDc = CreateCompatibleDC(p->WindowDc);
        if (p->DrawingDc && p->BackBufferBitmap)
            p->PreviousBitmap = static_cast<HBITMAP>(SelectObject(p->DrawingDc, p->BackBufferBitmap));
    } else {
        p->DrawingDc = GetDC(p->Window);
    }
    if (p->Mode != kPainterGdiPlus) return;
    if (graphics) {
        p->Graphics.Handle = graphics;
        return;
    }
    if (p->DrawingDc && GdipCreateFromHDC(p->DrawingDc, &p->Graphics.Handle) == Gdiplus::Ok) {
        p->GraphicsOwned = 1;
        if (p->AntiAlias)
            Note(p->Graphics, GdipSetSmoothingMode(p->Graphics.Handle, Gdiplus::SmoothingModeHighQuality));
    }
}

void ReleaseBrushes(Painter* p) {
    for (auto& slot : p->BrushCache) {
        if (!slot.Brush) break;
        slot.Brush->Release();
        slot = {};
    }
}

} // namespace

void painter_detail::CreateRenderTarget(Painter* p) {
    if (!p->D2DFactory) return;
    RECT client{};
    GetClientRect(p->Window, &client);
    const D2D1_SIZE_U size = D2D1::SizeU(static_cast<UINT32>(client.right - client.left),
                                         static_cast<UINT32>(client.bottom - client.top));
    const D2D1_RENDER_TARGET_TYPE requested =
        p->SoftwareTarget ? D2D1_RENDER_TARGET_TYPE_SOFTWARE : D2D1_RENDER_TARGET_TYPE_HARDWARE;
    if (p->TargetDc) {
        p->TargetKind = 1;
        const D2D1_PIXEL_FORMAT format =
            D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED);
        ID2D1DCRenderTarget* target = nullptr;
        p->PreferredTargetType = 1;
        const D2D1_RENDER_TARGET_PROPERTIES props = D2D1::RenderTargetProperties(requested, format);
        if (FAILED(p->D2DFactory->CreateDCRenderTarget(&props, &target))) {
            p->PreferredTargetType = 0;
            const D2D1_RENDER_TARGET_PROPERTIES fallback =
                D2D1::RenderTargetProperties(D2D1_RENDER_TARGET_TYPE_DEFAULT, format);
            if (FAILED(p->D2DFactory->CreateDCRenderTarget(&fallback, &target))) target = nullptr;
        }
        if (target) target->BindDC(p->TargetDc, &p->TargetRect);
        p->RenderTarget = target;
        return;
    }
    p->TargetKind = 0;
    ID2D1HwndRenderTarget* target = nullptr;
    const D2D1_RENDER_TARGET_PROPERTIES props = D2D1::RenderTargetProperties(requested);
    if (FAILED(p->D2DFactory->CreateHwndRenderTarget(
            props, D2D1::HwndRenderTargetProperties(p->Window, size, D2D1_PRESENT_OPTIONS_IMMEDIATELY),
            &target))) {
        p->PreferredTargetType = 1;
        if (FAILED(p->D2DFactory->CreateHwndRenderTarget(
                props, D2D1::HwndRenderTargetProperties(p->Window, size, D2D1_PRESENT_OPTIONS_NONE),
                &target))) {
            p->PreferredTargetType = 0;
            if (FAILED(p->D2DFactory->CreateHwndRenderTarget(
                    D2D1::RenderTargetProperties(),
                    D2D1::HwndRenderTargetProperties(p->Window, size, D2D1_PRESENT_OPTIONS_NONE), &target)))
                target = nullptr;
        }
    }
    p->RenderTarget = target;
}

HBITMAP CreateScreenDib(HDC dc, int width, int height, int depth) {
    if (depth == -1) {
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        depth = EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)
                    ? static_cast<int>(mode.dmBitsPerPel)
                    : 32;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(depth);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

Painter* PainterBegin(Painter* p, HWND window, HDC targetDc, HDC windowDc, Gdiplus::GpGraphics* graphics,
                      uint32_t mode, uint8_t antiAlias, uint8_t backBuffer, const RECT* targetRect,
                      uint8_t multiThreadedFactory, uint8_t softwareTarget) {
    for (auto& slot : p->BrushCache) slot = {};
    p->Window = window;
    p->MultiThreadedFactory = multiThreadedFactory;
    p->SoftwareTarget = softwareTarget;
    GetClientRect(window, &p->ClientRect);
    p->AntiAlias = antiAlias;
    p->BackBuffer = backBuffer;
    p->Mode = mode;
    if (mode == kPainterDirect2D)
        Direct2DSetUp(p, targetDc, targetRect);
    else
        DeviceContextSetUp(p, windowDc, graphics);
    return p;
}

void PainterRelease(Painter* p) {
    if (!p) return;
    ReleaseBrushes(p);
    ReleaseTextFormats(p);
    DeleteGdiplusFonts(p);
    if (p->GraphicsOwned && p->Graphics.Handle) GdipDeleteGraphics(p->Graphics.Handle);
    p->Graphics = {};
    p->GraphicsOwned = 0;
    if (p->DcOwned) {
        if (p->BackBuffer) {
            if (p->DrawingDc) {
                if (p->PreviousBitmap) SelectObject(p->DrawingDc, p->PreviousBitmap);
                DeleteDC(p->DrawingDc);
            }
            if (p->WindowDcObtained && p->WindowDc) ReleaseDC(p->Window, p->WindowDc);
        } else if (p->DrawingDc) {
            ReleaseDC(p->Window, p->DrawingDc);
        }
        p->DrawingDc = p->WindowDc = nullptr;
        p->DcOwned = p->WindowDcObtained = 0;
    }
    if (p->BackBufferBitmap) DeleteObject(p->BackBufferBitmap);
    p->BackBufferBitmap = p->PreviousBitmap = nullptr;
    if (p->GdiFont) DeleteObject(p->GdiFont);
    p->GdiFont = nullptr;
    SafeRelease(p->DwriteFactory);
    SafeRelease(p->WicFactory);
    if (p->DwriteModule) FreeLibrary(p->DwriteModule);
    p->DwriteModule = nullptr;
    SafeRelease(p->RenderTarget);
}

void PainterBeginDraw(Painter* p) {
    if (!p || p->Mode != kPainterDirect2D) return;
    // A target lost on the last frame is made again before drawing, with an empty brush cache:
    // brushes belong to the target that made them.
    if (p->TargetLost || (!p->RenderTarget && p->D2DFactory)) {
        ReleaseBrushes(p);
        SafeRelease(p->RenderTarget);
        CreateRenderTarget(p);
        p->TargetLost = 0;
    }
    if (p->RenderTarget) p->RenderTarget->BeginDraw();
}

uint32_t PainterPresent(Painter* p, uint64_t* tag1, uint64_t* tag2) {
    if (!p) return 0;
    if (p->Mode == kPainterDirect2D) {
        if (!p->RenderTarget) return 0;
        HRESULT result = p->RenderTarget->Flush(tag1, tag2);
        HRESULT ended = p->RenderTarget->EndDraw(nullptr, nullptr);
        if (result == static_cast<HRESULT>(D2DERR_RECREATE_TARGET) ||
            ended == static_cast<HRESULT>(D2DERR_RECREATE_TARGET))
            p->TargetLost = 1;
        return static_cast<uint32_t>(result);
    }
    if (p->BackBuffer && p->WindowDc && p->DrawingDc)
        BitBlt(p->WindowDc, p->DcRect.left, p->DcRect.top, p->DcRect.right, p->DcRect.bottom, p->DrawingDc, 0,
               0, SRCCOPY);
    return 0;
}

void PainterResize(Painter* p) {
    if (!p || !p->RenderTarget) return;
    GetClientRect(p->Window, &p->ClientRect);
    if (p->TargetKind == 0) {
        static_cast<ID2D1HwndRenderTarget*>(p->RenderTarget)
            ->Resize(D2D1::SizeU(static_cast<UINT32>(p->ClientRect.right),
                                 static_cast<UINT32>(p->ClientRect.bottom)));
    }
}

namespace {

void Rebuild(Painter* p) {
    PainterRelease(p);
    GetClientRect(p->Window, &p->ClientRect);
    DeviceContextSetUp(p, nullptr, nullptr);
}

} // namespace

void PainterSetMode(Painter* p, uint32_t mode) {
    p->Mode = mode;
    Rebuild(p);
}

void PainterSetBackBuffer(Painter* p, uint8_t backBuffer) {
    p->BackBuffer = backBuffer;
    Rebuild(p);
}

void PainterSetAntiAlias(Painter* p, uint8_t antiAlias) {
    p->AntiAlias = antiAlias;
    Rebuild(p);
}

bool PainterIsDirect2D(const Painter* p) {
    return p && p->Mode == kPainterDirect2D;
}

bool PainterModeAvailable(uint32_t mode) {
    if (mode != kPainterDirect2D) return true;
    HMODULE module = LoadLibraryW(L"D2D1.DLL");
    if (!module) return false;
    FreeLibrary(module);
    return true;
}

bool PainterDirectWriteMeasures(HFONT font) {
    auto probe = std::make_unique<Painter>();
    probe->Mode = kPainterDirect2D;
    probe->DwriteModule = LoadLibraryW(L"DWRITE.DLL");
    LoadDirectWrite(probe.get());
    PainterSetFont(probe.get(), font, 0, nullptr, 0);
    const bool measures = PainterMeasureText(probe.get(), L"X", 1, 0, 0, nullptr) != 0;
    PainterRelease(probe.get());
    return measures;
}

ID2D1SolidColorBrush* PainterGetBrush(Painter* p, PainterColor colour) {
    if (!p || !p->RenderTarget) return nullptr;
    for (int i = 0; i < kBrushCacheSlots && p->BrushCache[i].Brush; ++i)
        if (p->BrushCache[i].Colour == colour) return p->BrushCache[i].Brush;
    ID2D1SolidColorBrush* brush = nullptr;
    if (FAILED(p->RenderTarget->CreateSolidColorBrush(D2D(colour), &brush)) || !brush) return nullptr;
    int slot = 0;
    while (p->BrushCache[slot].Brush) {
        if (++slot == kBrushCacheSlots - 1) {
            ReleaseBrushes(p);
            slot = 0;
            break;
        }
    }
    p->BrushCache[slot] = {brush, colour};
    return brush;
}

void PainterClearBrushCache(Painter* p) {
    if (p) ReleaseBrushes(p);
}

void PainterSetTransform(Painter* p, float m11, float m12, float m21, float m22, float dx, float dy) {
    if (HasGraphics(p)) {
        Gdiplus::GpMatrix* matrix = nullptr;
        if (GdipCreateMatrix2(m11, m12, m21, m22, dx, dy, &matrix) != Gdiplus::Ok) return;
        Note(p->Graphics, GdipSetWorldTransform(p->Graphics.Handle, matrix));
        GdipDeleteMatrix(matrix);
    } else if (HasD2DTarget(p)) {
        p->RenderTarget->SetTransform(D2D1::Matrix3x2F(m11, m12, m21, m22, dx, dy));
    }
}

void PainterSetTranslation(Painter* p, float dx, float dy) {
    PainterSetTransform(p, 1, 0, 0, 1, dx, dy);
}

void PainterSetScale(Painter* p, float sx, float sy) {
    PainterSetTransform(p, sx, 0, 0, sy, 0, 0);
}

void PainterGetTransform(Painter* p, float out[6]) {
    if (HasGraphics(p)) {
        Gdiplus::GpMatrix* matrix = nullptr;
        if (GdipCreateMatrix(&matrix) != Gdiplus::Ok) return;
        Note(p->Graphics, GdipGetWorldTransform(p->Graphics.Handle, matrix));
        GdipGetMatrixElements(matrix, out);
        GdipDeleteMatrix(matrix);
    } else if (HasD2DTarget(p)) {
        D2D1_MATRIX_3X2_F m{};
        p->RenderTarget->GetTransform(&m);
        const float values[6] = {m._11, m._12, m._21, m._22, m._31, m._32};
        for (int i = 0; i < 6; ++i) out[i] = values[i];
    }
}

void PainterMultiplyTransform(Painter* p, float m11, float m12, float m21, float m22, float dx, float dy) {
    if (HasGraphics(p)) {
        Gdiplus::GpMatrix* matrix = nullptr;
        if (GdipCreateMatrix2(m11, m12, m21, m22, dx, dy, &matrix) != Gdiplus::Ok) return;
        Note(p->Graphics,
             GdipMultiplyWorldTransform(p->Graphics.Handle, matrix, Gdiplus::MatrixOrderPrepend));
        GdipDeleteMatrix(matrix);
    } else if (HasD2DTarget(p)) {
        D2D1_MATRIX_3X2_F current{};
        p->RenderTarget->GetTransform(&current);
        const D2D1::Matrix3x2F given(m11, m12, m21, m22, dx, dy);
        p->RenderTarget->SetTransform(*D2D1::Matrix3x2F::ReinterpretBaseType(&current) * given);
    }
}

void PainterClear(Painter* p, PainterColor colour) {
    if (!p) return;
    if (p->Mode == kPainterDirect2D) {
        if (p->RenderTarget) p->RenderTarget->Clear(D2D(colour));
        return;
    }
    PainterFillShape(p, p->ClientRect.left, p->ClientRect.top, p->ClientRect.right - p->ClientRect.left,
                     p->ClientRect.bottom - p->ClientRect.top, colour, 0);
}
