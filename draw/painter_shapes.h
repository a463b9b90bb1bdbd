// The Painter's geometry and image operations. Pen styles: 0 solid, 1 dash, 2 dot.
#pragma once

#include "draw/painter.h"

struct ID2D1Bitmap;

void PainterDrawLine(Painter* painter, int x1, int y1, int x2, int y2, int width, PainterColor colour,
                     int style);
void PainterFillShape(Painter* painter, int x, int y, int width, int height, PainterColor colour,
                      uint8_t ellipse);
void PainterFillEllipse(Painter* painter, int x, int y, int width, int height, PainterColor colour);
void PainterFillRectOrEllipse(Painter* painter, const RECT* rect, PainterColor colour, uint8_t ellipse);
void PainterFillEllipseRect(Painter* painter, const RECT* rect, PainterColor colour);
void PainterDrawShape(Painter* painter, int x, int y, int width, int height, int penWidth,
                      PainterColor colour, int style, uint8_t ellipse);
void PainterDrawEllipse(Painter* painter, int x, int y, int width, int height, int penWidth,
                        PainterColor colour, int style);
void PainterDrawShapeRect(Painter* painter, const RECT* rect, int penWidth, PainterColor colour, int style,
                          uint8_t ellipse);
void PainterDrawEllipseRect(Painter* painter, const RECT* rect, int penWidth, PainterColor colour, int style);
// A colour of 0 here means no outline / no fill.
void PainterDrawRoundRect(Painter* painter, const RECT* rect, int cornerSize, int penWidth,
                          PainterColor outlineColour, int style, PainterColor fillColour);
void PainterDrawArc(Painter* painter, const POINT* topLeft, const POINT* bottomRight, float startAngle,
                    float sweepAngle, int penWidth, PainterColor colour, int style);
void PainterDrawBezier(Painter* painter, const POINT* p0, const POINT* p1, const POINT* p2, const POINT* p3,
                       int penWidth, PainterColor colour, int style);
// Point types as GDI+ paths have them: 0 start, 1 line, 3 Bezier (three points per segment).
void PainterDrawPath(Painter* painter, const POINT* points, const uint8_t* types, int count, int fillMode,
                     int penWidth, PainterColor colour, int style, uint8_t fill);
void PainterFillPath(Painter* painter, const POINT* points, const uint8_t* types, int count, int fillMode,
                     PainterColor colour);
void PainterDrawPolygon(Painter* painter, const POINT* points, int count, uint8_t closed, int penWidth,
                        PainterColor colour, int style, uint8_t fill);
void PainterFillPolygon(Painter* painter, const POINT* points, int count, uint8_t closed,
                        PainterColor colour);

// Bitmaps. cache: optional; keeps the converted bitmap (a GDI+ bitmap in mode 1, an
// ID2D1Bitmap in mode 2) for the next call; the caller owns it afterwards.
void PainterDrawBitmap(Painter* painter, int x, int y, HBITMAP bitmap, float opacity, uint8_t hasAlpha,
                       void** cache);
void PainterDrawImage(Painter* painter, int x, int y, Gdiplus::GpBitmap* image, uint8_t alpha);
void PainterDrawImageFile(Painter* painter, int x, int y, const wchar_t* path, float opacity);
void PainterDrawImageResource(Painter* painter, int x, int y, HMODULE module, const wchar_t* name,
                              const wchar_t* type, float opacity);

void* GetBitmapSize(HBITMAP bitmap, int* width, int* height);
HBITMAP MirrorBitmap(Painter* painter, HBITMAP bitmap, uint8_t leftRight);
Gdiplus::GpBitmap* BitmapFromDibRows(HBITMAP bitmap);
int BitmapFromHbitmapAlpha(Painter* painter, HBITMAP bitmap, int pixelFormat, Gdiplus::GpBitmap** out);
Gdiplus::GpBitmap* AlphaBitmapFromHbitmap(Painter* painter, HBITMAP bitmap);
long LoadWicBitmapFile(Painter* painter, const wchar_t* path, ID2D1Bitmap** out);
long LoadWicBitmapResource(Painter* painter, HMODULE module, const wchar_t* name, const wchar_t* type,
                           ID2D1Bitmap** out);
