// The Painter's fonts and text: GDI fonts, GDI+ fonts with their style variants, DirectWrite
// text formats.
#include "draw/painter_internal.h"

#include <cmath>
#include <vector>

using namespace painter_detail;

namespace {

struct StyleFlags {
    bool Bold, Italic, Underline;
};

// The variants in their order: plain, bold, bold italic, bold underline, bold italic underline,
// italic, italic underline, underline.
constexpr StyleFlags kVariants[kFontVariants] = {
    {false, false, false}, {true, false, false}, {true, true, false}, {true, false, true},
    {true, true, true},    {false, true, false}, {false, true, true}, {false, false, true}};

int VariantIndex(bool bold, bool italic, bool underline) {
    for (int i = 0; i < kFontVariants; ++i)
        if (kVariants[i].Bold == bold && kVariants[i].Italic == italic && kVariants[i].Underline == underline)
            return i;
    return 0;
}

LOGFONTW VariantLogFont(LOGFONTW lf, int index) {
    if (kVariants[index].Bold) lf.lfWeight += 500;
    lf.lfItalic = kVariants[index].Italic ? 1 : 0;
    lf.lfUnderline = kVariants[index].Underline ? 1 : 0;
    return lf;
}

LOGFONTW ReadLogFont(HFONT font) {
    LOGFONTW lf{};
    if (font) GetObjectW(font, sizeof lf, &lf);
    return lf;
}

IDWriteTextFormat* MakeFormat(Painter* p, const LOGFONTW& lf, bool bold, bool italic) {
    if (!p->DwriteFactory) return nullptr;
    IDWriteTextFormat* format = nullptr;
    const float size = lf.lfHeight ? static_cast<float>(std::abs(lf.lfHeight)) : 12.0f;
    if (FAILED(p->DwriteFactory->CreateTextFormat(
            lf.lfFaceName, nullptr, bold ? DWRITE_FONT_WEIGHT_BOLD : DWRITE_FONT_WEIGHT_NORMAL,
            italic ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL, size,
            L"", &format)))
        return nullptr;
    return format;
}

void SetCharacterTrimming(IDWriteTextFormat* format) {
    DWRITE_TRIMMING trimming{DWRITE_TRIMMING_GRANULARITY_CHARACTER, 0, 0};
    format->SetTrimming(&trimming, nullptr);
}

void EnsureDefaultFont(Painter* p) {
    if (p->Mode == kPainterGdiPlus && !p->CurrentFont.Handle)
        PainterSetFont(p, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), 0, nullptr, 0);
    if (p->Mode == kPainterGdi && !p->HasGdiLogFont)
        PainterSetFont(p, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), 0, nullptr, 0);
}

Gdiplus::GpStringFormat* MakeStringFormat(int32_t hAlign, int32_t vAlign, int flags) {
    Gdiplus::GpStringFormat* format = nullptr;
    if (GdipCreateStringFormat(flags, 0, &format) != Gdiplus::Ok) return nullptr;
    GdipSetStringFormatAlign(format, static_cast<Gdiplus::StringAlignment>(hAlign));
    GdipSetStringFormatLineAlign(format, static_cast<Gdiplus::StringAlignment>(vAlign));
    return format;
}

uint32_t Pack(int height, int width) {
    return static_cast<uint32_t>(height & 0xFFFF) << 16 | static_cast<uint32_t>(width & 0xFFFF);
}

// GDI text: the painter's own font of the chosen style is kept selected in the drawing DC.
void SelectGdiFont(Painter* p, const LOGFONTW& lf) {
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) return;
    SelectObject(p->DrawingDc, font);
    if (p->GdiFont) DeleteObject(p->GdiFont);
    p->GdiFont = font;
}

} // namespace

void painter_detail::ReleaseTextFormats(Painter* p) {
    if (p->TextFormats[0]) {
        if (p->CurrentTextFormat == p->TextFormats[0]) p->CurrentTextFormat = nullptr;
        SafeRelease(p->TextFormats[0]);
    }
    for (int i = 1; i < kFontVariants; ++i) {
        if (p->CurrentTextFormat == p->TextFormats[i]) p->CurrentTextFormat = nullptr;
        SafeRelease(p->TextFormats[i]);
    }
    SafeRelease(p->CurrentTextFormat);
}

void painter_detail::DeleteGdiplusFonts(Painter* p) {
    for (auto& variant : p->FontVariants) {
        if (!variant.Handle) continue;
        if (p->CurrentFont.Handle == variant.Handle) p->CurrentFont = {};
        GdipDeleteFont(variant.Handle);
        variant = {};
    }
    if (p->CurrentFont.Handle) GdipDeleteFont(p->CurrentFont.Handle);
    p->CurrentFont = {};
    if (p->PrivateFonts) GdipDeletePrivateFontCollection(&p->PrivateFonts);
    p->PrivateFonts = nullptr;
}

void PainterSetFont(Painter* p, HFONT font, uint8_t makeVariants, const wchar_t* fontFile,
                    int32_t fontFileSize) {
    if (!p) return;
    const LOGFONTW lf = ReadLogFont(font);
    if (p->Mode == kPainterGdi) {
        if (!p->DrawingDc) return;
        p->GdiLogFont = lf;
        p->HasGdiLogFont = 1;
        SelectGdiFont(p, lf);
        return;
    }
    if (p->Mode == kPainterGdiPlus) {
        DeleteGdiplusFonts(p);
        if (!p->DrawingDc) return;
        if (!fontFile) {
            Note(p->CurrentFont, GdipCreateFontFromLogfontW(p->DrawingDc, &lf, &p->CurrentFont.Handle));
        } else {
            GdipNewPrivateFontCollection(&p->PrivateFonts);
            GdipPrivateAddFontFile(p->PrivateFonts, fontFile);
            Gdiplus::GpFontFamily* family = nullptr;
            Gdiplus::GpFontFamily* clone = nullptr;
            INT found = 0;
            if (GdipGetFontCollectionFamilyList(p->PrivateFonts, 1, &family, &found) == Gdiplus::Ok &&
                found == 1)
                GdipCloneFontFamily(family, &clone);
            const Gdiplus::GpStatus status =
                clone ? GdipCreateFont(clone, static_cast<float>(fontFileSize), Gdiplus::FontStyleRegular,
                                       Gdiplus::UnitPixel, &p->CurrentFont.Handle)
                      : Gdiplus::InvalidParameter;
            if (status != Gdiplus::Ok) {
                if (p->CurrentFont.Handle) GdipDeleteFont(p->CurrentFont.Handle);
                p->CurrentFont = {};
                Note(p->CurrentFont, GdipCreateFontFromLogfontW(p->DrawingDc, &lf, &p->CurrentFont.Handle));
            }
            if (clone) GdipDeleteFontFamily(clone);
        }
        if (!p->CurrentFont.Handle || !makeVariants) return;
        p->FontVariants[0] = p->CurrentFont;
        for (int i = 1; i < kFontVariants; ++i) {
            const LOGFONTW variant = VariantLogFont(lf, i);
            Note(p->FontVariants[i],
                 GdipCreateFontFromLogfontW(p->DrawingDc, &variant, &p->FontVariants[i].Handle));
        }
        return;
    }
    if (!p->DwriteFactory) return;
    ReleaseTextFormats(p);
    if (!makeVariants) {
        p->CurrentTextFormat = MakeFormat(p, lf, lf.lfWeight > 500, lf.lfItalic != 0);
        return;
    }
    for (int i = 0; i < kFontVariants; ++i)
        p->TextFormats[i] = MakeFormat(p, lf, kVariants[i].Bold, kVariants[i].Italic);
    p->CurrentTextFormat = p->TextFormats[0];
}

void PainterSelectFontStyle(Painter* p, uint8_t bold, uint8_t italic, uint8_t underline) {
    if (!p) return;
    const int index = VariantIndex(bold != 0, italic != 0, underline != 0);
    if (p->Mode == kPainterGdiPlus) {
        p->CurrentFont = p->FontVariants[index];
    } else if (p->Mode == kPainterDirect2D) {
        p->CurrentTextFormat = p->TextFormats[index];
    } else if (p->DrawingDc && p->HasGdiLogFont) {
        SelectGdiFont(p, VariantLogFont(p->GdiLogFont, index));
    }
}

uint32_t PainterMeasureText(Painter* p, const wchar_t* text, int32_t length, int32_t hAlign, int32_t vAlign,
                            HFONT font) {
    if (!p || !text) return 0;
    const size_t count = TextLength(text, length);
    if (p->Mode == kPainterGdi) {
        if (!p->DrawingDc) return 0;
        EnsureDefaultFont(p);
        HGDIOBJ previous = font ? SelectObject(p->DrawingDc, font) : nullptr;
        SIZE size{};
        TEXTMETRICW metrics{};
        GetTextMetricsW(p->DrawingDc, &metrics);
        GetTextExtentPoint32W(p->DrawingDc, text, static_cast<int>(count), &size);
        if (previous) SelectObject(p->DrawingDc, previous);
        return Pack(metrics.tmHeight, size.cx);
    }
    if (p->Mode == kPainterGdiPlus) {
        if (!p->Graphics.Handle) return 0;
        GdipHeld<Gdiplus::GpFont> temporary;
        if (font) {
            const LOGFONTW lf = ReadLogFont(font);
            Note(temporary, GdipCreateFontFromLogfontW(p->DrawingDc, &lf, &temporary.Handle));
        } else {
            EnsureDefaultFont(p);
        }
        Gdiplus::GpFont* used = font ? temporary.Handle : p->CurrentFont.Handle;
        uint32_t result = 0;
        Gdiplus::GpStringFormat* format = MakeStringFormat(hAlign, vAlign, 0);
        if (used && format) {
            const Gdiplus::RectF layout(0, 0, 1000, 1000);
            Gdiplus::RectF box;
            Note(p->Graphics, GdipMeasureString(p->Graphics.Handle, text, static_cast<INT>(count), used,
                                                &layout, format, &box, nullptr, nullptr));
            result = Pack(static_cast<int>(box.Height), static_cast<int>(box.Width));
        }
        if (format) GdipDeleteStringFormat(format);
        if (temporary.Handle) GdipDeleteFont(temporary.Handle);
        return result;
    }
    if (!p->DwriteFactory) return 0;
    IDWriteTextFormat* temporary = nullptr;
    if (font) {
        const LOGFONTW lf = ReadLogFont(font);
        temporary = MakeFormat(p, lf, lf.lfWeight > 500, lf.lfItalic != 0);
    } else if (!p->CurrentTextFormat) {
        PainterSetFont(p, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), 0, nullptr, 0);
    }
    IDWriteTextFormat* used = font ? temporary : p->CurrentTextFormat;
    uint32_t result = 0;
    IDWriteTextLayout* layout = nullptr;
    if (used && SUCCEEDED(p->DwriteFactory->CreateTextLayout(text, static_cast<UINT32>(count), used, 1000.0f,
                                                             1000.0f, &layout))) {
        DWRITE_TEXT_METRICS metrics{};
        if (SUCCEEDED(layout->GetMetrics(&metrics)))
            result = Pack(static_cast<int>(std::ceil(metrics.height)),
                          static_cast<int>(std::ceil(metrics.widthIncludingTrailingWhitespace)));
        layout->Release();
    }
    SafeRelease(temporary);
    return result;
}

void PainterDrawText(Painter* p, const wchar_t* text, int32_t length, int32_t x, int32_t y, int32_t width,
                     int32_t height, int32_t hAlign, int32_t vAlign, PainterColor colour, int32_t noWrap) {
    if (!p || !text) return;
    const size_t count = TextLength(text, length);
    if (p->Mode == kPainterGdi) {
        if (!p->DrawingDc) return;
        EnsureDefaultFont(p);
        SetBkMode(p->DrawingDc, TRANSPARENT);
        SetTextColor(p->DrawingDc, colour & 0xFFFFFF);
        if (width == -1 || height == -1) {
            TextOutW(p->DrawingDc, x, y, text, static_cast<int>(count));
            return;
        }
        RECT box{x, y, x + width, y + height};
        static const UINT kHorizontal[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
        static const UINT kVertical[] = {DT_TOP, DT_VCENTER, DT_BOTTOM};
        UINT flags = DT_NOPREFIX | kHorizontal[hAlign >= 0 && hAlign < 3 ? hAlign : 0] |
                     kVertical[vAlign >= 0 && vAlign < 3 ? vAlign : 0];
        flags |= noWrap == 1 ? DT_SINGLELINE : DT_WORDBREAK;
        DrawTextW(p->DrawingDc, text, static_cast<int>(count), &box, flags);
        return;
    }
    if (p->Mode == kPainterGdiPlus) {
        if (!p->Graphics.Handle) return;
        Gdiplus::GpStringFormat* format = MakeStringFormat(hAlign, vAlign, noWrap == 1 ? 0x1000 : 0);
        if (!format) return;
        EnsureDefaultFont(p);
        Gdiplus::GpSolidFill* brush = nullptr;
        if (p->CurrentFont.Handle && GdipCreateSolidFill(ToGdiplusArgb(colour), &brush) == Gdiplus::Ok) {
            const Gdiplus::RectF layout(static_cast<float>(x), static_cast<float>(y),
                                        width == -1 || height == -1 ? 0.0f : static_cast<float>(width),
                                        width == -1 || height == -1 ? 0.0f : static_cast<float>(height));
            Note(p->Graphics, GdipDrawString(p->Graphics.Handle, text, static_cast<INT>(count),
                                             p->CurrentFont.Handle, &layout, format, brush));
            GdipDeleteBrush(brush);
        }
        GdipDeleteStringFormat(format);
        return;
    }
    if (!p->RenderTarget || !p->DwriteFactory) return;
    ID2D1SolidColorBrush* brush = PainterGetBrush(p, colour);
    if (!brush) return;
    if (!p->CurrentTextFormat) {
        PainterSetFont(p, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), 0, nullptr, 0);
        if (p->CurrentTextFormat) {
            p->CurrentTextFormat->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
            SetCharacterTrimming(p->CurrentTextFormat);
        }
    }
    IDWriteTextFormat* format = p->CurrentTextFormat;
    if (!format) return;
    if (noWrap == 0) SetCharacterTrimming(format);
    if (hAlign >= 0 && hAlign <= 2)
        format->SetTextAlignment(hAlign == 0   ? DWRITE_TEXT_ALIGNMENT_LEADING
                                 : hAlign == 1 ? DWRITE_TEXT_ALIGNMENT_CENTER
                                               : DWRITE_TEXT_ALIGNMENT_TRAILING);
    if (vAlign >= 0 && vAlign <= 2)
        format->SetParagraphAlignment(vAlign == 0   ? DWRITE_PARAGRAPH_ALIGNMENT_NEAR
                                      : vAlign == 1 ? DWRITE_PARAGRAPH_ALIGNMENT_CENTER
                                                    : DWRITE_PARAGRAPH_ALIGNMENT_FAR);
    float w = static_cast<float>(width);
    float h = static_cast<float>(height);
    if (width == -1 || height == -1) {
        const uint32_t size = PainterMeasureText(p, text, static_cast<int32_t>(count), 0, 0, nullptr);
        w = static_cast<float>(size & 0xFFFF);
        h = static_cast<float>(size >> 16);
    }
    const D2D1_RECT_F box = D2D1::RectF(static_cast<float>(x), static_cast<float>(y), x + w, y + h);
    p->RenderTarget->DrawText(text, static_cast<UINT32>(count), format, box, brush,
                              D2D1_DRAW_TEXT_OPTIONS_NONE, DWRITE_MEASURING_MODE_NATURAL);
}

void PainterDrawTextInRect(Painter* p, const wchar_t* text, int32_t length, const RECT* rect, int32_t hAlign,
                           int32_t vAlign, PainterColor colour, int32_t noWrap) {
    if (!rect) return;
    PainterDrawText(p, text, length, rect->left, rect->top, rect->right - rect->left,
                    rect->bottom - rect->top, hAlign, vAlign, colour, noWrap);
}
