#include "draw/painter.h"

uint32_t ToGdiplusArgb(PainterColor colour) {
    uint32_t alpha = colour >> 24;
    if (alpha == 0) alpha = 0xFF;
    return alpha << 24 | (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

D2DColor ToD2DColor(PainterColor colour) {
    D2DColor c{(colour & 0xFF) / 255.0f, (colour >> 8 & 0xFF) / 255.0f, (colour >> 16 & 0xFF) / 255.0f,
               (colour >> 24) / 255.0f};
    if (c.a == 0.0f) c.a = 1.0f;
    return c;
}
