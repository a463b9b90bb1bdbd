#include "views/display_palette.h"

namespace {

const COLORREF kPalette[kPaletteSize] = {
    RGB(255, 255, 255), RGB(0, 0, 0),     RGB(0, 0, 128),     RGB(0, 128, 0),
    RGB(255, 0, 0),     RGB(128, 0, 0),   RGB(128, 0, 128),   RGB(255, 128, 0),
    RGB(255, 255, 0),   RGB(0, 255, 0),   RGB(0, 128, 128),   RGB(0, 255, 255),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(128, 128, 128), RGB(192, 192, 192),
};

} // namespace

COLORREF PaletteColor(uint32_t index) {
    return kPalette[index < kPaletteSize ? index : (index - kPaletteSize) % kPaletteSize];
}

bool IsPaletteColor(COLORREF color) {
    return PaletteIndexOf(color) != kNotInPalette;
}

uint32_t PaletteIndexOf(COLORREF color) {
    for (uint32_t i = 0; i < kPaletteSize; ++i)
        if (kPalette[i] == color) return i;
    return kNotInPalette;
}
