// Device-unit scaling and small colour and number helpers of the views.
#pragma once

#include <windows.h>

#include <cstdint>

// Two u32 values in one u64: x in the low half, y in the high half.
inline uint64_t PackPoint(uint32_t x, uint32_t y) {
    return static_cast<uint64_t>(y) << 32 | x;
}
inline uint32_t PackedX(uint64_t packed) {
    return static_cast<uint32_t>(packed);
}
inline uint32_t PackedY(uint64_t packed) {
    return static_cast<uint32_t>(packed >> 32);
}

// x x factor / LOGPIXELSX and y x factor / LOGPIXELSY, each rounded; 1440 gives twips.
uint64_t ScaleByDeviceDpi(HDC dc, uint64_t packedPoint, uint32_t factor);
// The value rounded to that many decimals (as "%3.<n>f" prints it), stored back and returned.
float RoundToDecimals(float* value, uint32_t decimals);
// The tint of a paused view's background: each of red, green and blue c becomes c + 42 below
// 129, else c - 21.
COLORREF PaletteShift(COLORREF color);
