// The 16-colour palette shared by the colour code, the colour picker and the palette functions.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr uint32_t kPaletteSize = 16;
constexpr uint32_t kNotInPalette = 0xFFFFFFFF;

// The entry at index for 0..15; at (index - 16) mod 16 above.
COLORREF PaletteColor(uint32_t index);
bool IsPaletteColor(COLORREF color);
// The first index whose entry equals the colour, kNotInPalette when none.
uint32_t PaletteIndexOf(COLORREF color);
