// Text already drawn, kept as pixels. Laying text out and drawing it is by far the costliest
// thing the device-context back-ends do (GDI+ above all); a chat view draws the same words over
// and over. A stamp is the pixels of one text box drawn over the cleared background: the next box
// with the same text, font, colours and size over the same background is copied from the shared
// bitmap instead of being drawn again. Direct2D painters draw directly.
#pragma once

#include "draw/painter.h"

#include <cstdint>
#include <string_view>

struct TextStampCache;

// Everything that decides a stamp's pixels besides the painter's mode.
struct TextStamp {
    std::wstring_view Text;
    // The caller's name for the painter's current font and style: equal names draw alike.
    std::wstring_view FontKey;
    PainterColor Colour = 0;
    // A fill under the text, from the box's corner (PainterFillShape); 0: none.
    PainterColor Fill = 0;
    int32_t FillWidth = 0;
    int32_t FillHeight = 0;
    // What the box holds before anything is drawn into it: the colour it was cleared to.
    PainterColor Background = 0;
};

TextStampCache* CreateTextStampCache();
void DestroyTextStampCache(TextStampCache* cache);

// Whether the painter can take stamps: GDI or GDI+ drawing into its back buffer.
bool TextStampsUsable(const Painter* painter);

// Draws the stamp's fill and text in the box (x, y, width, height) as PainterFillShape and
// PainterDrawText (near alignment, no wrap) would, or copies it from the cache. The caller
// promises that the box holds only the background and that the painter draws untransformed.
void PainterDrawTextStamp(Painter* painter, TextStampCache* cache, const TextStamp& stamp, int32_t x,
                          int32_t y, int32_t width, int32_t height);

// Stamps held and the copies and draws made since the cache was created.
struct TextStampCounts {
    size_t Held = 0;
    uint64_t Copied = 0;
    uint64_t Drawn = 0;
};
TextStampCounts CountTextStamps(const TextStampCache* cache);
