#include "views/device_units.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

uint64_t ScaleByDeviceDpi(HDC dc, uint64_t packedPoint, uint32_t factor) {
    int dpiX = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    int dpiY = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dpiX <= 0) dpiX = 96;
    if (dpiY <= 0) dpiY = 96;
    double x = static_cast<double>(PackedX(packedPoint)) * factor / dpiX;
    double y = static_cast<double>(PackedY(packedPoint)) * factor / dpiY;
    return PackPoint(static_cast<uint32_t>(std::llround(x)), static_cast<uint32_t>(std::llround(y)));
}

float RoundToDecimals(float* value, uint32_t decimals) {
    if (!value) return 0.0f;
    if (decimals > 9) decimals = 9;
    char format[16] = {};
    snprintf(format, sizeof format, "%%3.%uf", decimals);
    char text[64] = {};
    snprintf(text, sizeof text, format, static_cast<double>(*value));
    *value = static_cast<float>(strtod(text, nullptr));
    return *value;
}

COLORREF PaletteShift(COLORREF color) {
    auto shift = [](BYTE c) { return static_cast<BYTE>(c < 129 ? c + 42 : c - 21); };
    return RGB(shift(GetRValue(color)), shift(GetGValue(color)), shift(GetBValue(color)));
}
