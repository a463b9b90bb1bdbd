// Lines, rectangles, ellipses, arcs, curves, paths and polygons in the three back-ends.
#include "draw/painter_internal.h"
#include "draw/painter_shapes.h"

#include <vector>

using namespace painter_detail;

namespace {

// GDI: a pen of the style, width and colour selected into the drawing DC for one drawing.
class GdiPen {
public:
    GdiPen(HDC dc, int style, int width, PainterColor colour, bool nullBrush) : dc_(dc) {
        const int styles[] = {PS_SOLID, PS_DASH, PS_DOT};
        pen_ = CreatePen(styles[style >= 0 && style < 3 ? style : 0], width, colour & 0xFFFFFF);
        oldPen_ = SelectObject(dc, pen_);
        if (nullBrush) oldBrush_ = SelectObject(dc, GetStockObject(NULL_BRUSH));
    }
    ~GdiPen() {
        if (oldBrush_) SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldPen_);
        DeleteObject(pen_);
    }
    GdiPen(const GdiPen&) = delete;
    GdiPen& operator=(const GdiPen&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ oldPen_;
    HGDIOBJ oldBrush_ = nullptr;
};

// GDI: a solid brush of the colour, selected with a one-pixel pen of the same colour.
class GdiFill {
public:
    GdiFill(HDC dc, PainterColor colour) : dc_(dc), pen_(dc, 0, 1, colour, false) {
        LOGBRUSH brush{BS_SOLID, colour & 0xFFFFFF, 0};
        brush_ = CreateBrushIndirect(&brush);
        old_ = SelectObject(dc, brush_);
    }
    ~GdiFill() {
        SelectObject(dc_, old_);
        DeleteObject(brush_);
    }
    HBRUSH Brush() const { return brush_; }
    GdiFill(const GdiFill&) = delete;
    GdiFill& operator=(const GdiFill&) = delete;

private:
    HDC dc_;
    GdiPen pen_;
    HBRUSH brush_;
    HGDIOBJ old_;
};

Gdiplus::GpPen* MakePen(PainterColor colour, int width, int style) {
    Gdiplus::GpPen* pen = nullptr;
    if (GdipCreatePen1(ToGdiplusArgb(colour), static_cast<float>(width), Gdiplus::UnitWorld, &pen) !=
        Gdiplus::Ok)
        return nullptr;
    if (style == 1 || style == 2) GdipSetPenDashStyle(pen, static_cast<Gdiplus::DashStyle>(style));
    return pen;
}

Gdiplus::GpSolidFill* MakeBrush(PainterColor colour) {
    Gdiplus::GpSolidFill* brush = nullptr;
    return GdipCreateSolidFill(ToGdiplusArgb(colour), &brush) == Gdiplus::Ok ? brush : nullptr;
}

// Runs one GDI+ drawing with a pen or a brush made for it.
template <typename Draw> void WithPen(Painter* p, PainterColor colour, int width, int style, Draw draw) {
    Gdiplus::GpPen* pen = MakePen(colour, width, style);
    if (!pen) return;
    Note(p->Graphics, draw(pen));
    GdipDeletePen(pen);
}

template <typename Draw> void WithBrush(Painter* p, PainterColor colour, Draw draw) {
    Gdiplus::GpSolidFill* brush = MakeBrush(colour);
    if (!brush) return;
    Note(p->Graphics, draw(brush));
    GdipDeleteBrush(brush);
}

ID2D1StrokeStyle* DashStroke(Painter* p, int style) {
    if (style != 1 && style != 2) return nullptr;
    const float dashes[2][2] = {{4.0f, 4.0f}, {1.0f, 4.0f}};
    const D2D1_STROKE_STYLE_PROPERTIES props =
        D2D1::StrokeStyleProperties(D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_ROUND,
                                    D2D1_LINE_JOIN_MITER, 10.0f, D2D1_DASH_STYLE_CUSTOM, 0.0f);
    ID2D1StrokeStyle* stroke = nullptr;
    if (FAILED(p->D2DFactory->CreateStrokeStyle(props, dashes[style - 1], 2, &stroke))) return nullptr;
    return stroke;
}

// Dashed outlines in Direct2D are drawn solid at a lighter alpha.
PainterColor OutlineColour(PainterColor colour, int style) {
    if ((style == 1 || style == 2) && (colour >> 24) == 0xFF) return (colour & 0xFFFFFF) | 0xB0000000u;
    return colour;
}

D2D1_POINT_2F Float(const POINT& point) {
    return D2D1::Point2F(static_cast<float>(point.x), static_cast<float>(point.y));
}

// Builds a Direct2D path geometry through the callback that fills its sink.
template <typename Build> ID2D1PathGeometry* MakeGeometry(Painter* p, Build build) {
    ID2D1PathGeometry* geometry = nullptr;
    if (FAILED(p->D2DFactory->CreatePathGeometry(&geometry))) return nullptr;
    ID2D1GeometrySink* sink = nullptr;
    if (FAILED(geometry->Open(&sink))) {
        geometry->Release();
        return nullptr;
    }
    build(sink);
    sink->Close();
    sink->Release();
    return geometry;
}

void DrawOrFill(Painter* p, ID2D1PathGeometry* geometry, ID2D1Brush* brush, bool fill, int penWidth,
                ID2D1StrokeStyle* stroke = nullptr) {
    if (!geometry) return;
    if (fill)
        p->RenderTarget->FillGeometry(geometry, brush);
    else
        p->RenderTarget->DrawGeometry(geometry, brush, static_cast<float>(penWidth), stroke);
    geometry->Release();
}

std::vector<Gdiplus::GpPointF> FloatPoints(const POINT* points, int count) {
    std::vector<Gdiplus::GpPointF> out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(static_cast<float>(points[i].x), static_cast<float>(points[i].y));
    return out;
}

} // namespace

void PainterDrawLine(Painter* p, int x1, int y1, int x2, int y2, int width, PainterColor colour, int style) {
    if (HasDc(p)) {
        GdiPen pen(p->DrawingDc, style, width, colour, false);
        MoveToEx(p->DrawingDc, x1, y1, nullptr);
        LineTo(p->DrawingDc, x2, y2);
    } else if (HasGraphics(p)) {
        WithPen(p, colour, width, style,
                [&](Gdiplus::GpPen* pen) { return GdipDrawLineI(p->Graphics.Handle, pen, x1, y1, x2, y2); });
    } else if (HasD2DTarget(p)) {
        ID2D1SolidColorBrush* brush = PainterGetBrush(p, colour);
        if (!brush) return;
        ID2D1StrokeStyle* stroke = DashStroke(p, style);
        p->RenderTarget->DrawLine(D2D1::Point2F(static_cast<float>(x1), static_cast<float>(y1)),
                                  D2D1::Point2F(static_cast<float>(x2), static_cast<float>(y2)), brush,
                                  static_cast<float>(width), stroke);
        SafeRelease(stroke);
    }
}

void PainterFillShape(Painter* p, int x, int y, int width, int height, PainterColor colour, uint8_t ellipse) {
    if (HasDc(p)) {
        GdiFill fill(p->DrawingDc, colour);
        if (ellipse) {
            Ellipse(p->DrawingDc, x, y, x + width, y + height);
        } else {
            RECT box{x, y, x + width, y + height};
            FillRect(p->DrawingDc, &box, fill.Brush());
        }
    } else if (HasGraphics(p)) {
        WithBrush(p, colour, [&](Gdiplus::GpSolidFill* brush) {
            return ellipse ? GdipFillEllipseI(p->Graphics.Handle, brush, x, y, width, height)
                           : GdipFillRectangleI(p->Graphics.Handle, brush, x, y, width, height);
        });
    } else if (HasD2DTarget(p)) {
        ID2D1SolidColorBrush* brush = PainterGetBrush(p, colour);
        if (!brush) return;
        const float w = static_cast<float>(width), h = static_cast<float>(height);
        if (ellipse)
            p->RenderTarget->FillEllipse(D2D1::Ellipse(D2D1::Point2F(x + w / 2, y + h / 2), w / 2, h / 2),
                                         brush);
        else
            p->RenderTarget->FillRectangle(
                D2D1::RectF(static_cast<float>(x), static_cast<float>(y), x + w, y + h), brush);
    }
}

void PainterFillEllipse(Painter* p, int x, int y, int width, int height, PainterColor colour) {
    PainterFillShape(p, x, y, width, height, colour, 1);
}

void PainterFillRectOrEllipse(Painter* p, const RECT* r, PainterColor colour, uint8_t ellipse) {
    if (r) PainterFillShape(p, r->left, r->top, r->right - r->left, r->bottom - r->top, colour, ellipse);
}

void PainterFillEllipseRect(Painter* p, const RECT* r, PainterColor colour) {
    PainterFillRectOrEllipse(p, r, colour, 1);
}

void PainterDrawShape(Painter* p, int x, int y, int width, int height, int penWidth, PainterColor colour,
                      int style, uint8_t ellipse) {
    if (HasDc(p)) {
        GdiPen pen(p->DrawingDc, style, penWidth, colour, true);
        if (ellipse)
            Ellipse(p->DrawingDc, x, y, x + width, y + height);
        else
            Rectangle(p->DrawingDc, x, y, x + width, y + height);
    } else if (HasGraphics(p)) {
        WithPen(p, colour, penWidth, style, [&](Gdiplus::GpPen* pen) {
            return ellipse ? GdipDrawEllipseI(p->Graphics.Handle, pen, x, y, width, height)
                           : GdipDrawRectangleI(p->Graphics.Handle, pen, x, y, width, height);
        });
    } else if (HasD2DTarget(p)) {
        ID2D1SolidColorBrush* brush = PainterGetBrush(p, OutlineColour(colour, style));
        if (!brush) return;
        const float w = static_cast<float>(width), h = static_cast<float>(height);
        if (!ellipse)
            p->RenderTarget->DrawRectangle(
                D2D1::RectF(static_cast<float>(x), static_cast<float>(y), x + w, y + h), brush,
                static_cast<float>(penWidth));
        else if (w / 2 > 0 && h / 2 > 0)
            p->RenderTarget->DrawEllipse(D2D1::Ellipse(D2D1::Point2F(x + w / 2, y + h / 2), w / 2, h / 2),
                                         brush, static_cast<float>(penWidth));
    }
}

void PainterDrawEllipse(Painter* p, int x, int y, int width, int height, int penWidth, PainterColor colour,
                        int style) {
    PainterDrawShape(p, x, y, width, height, penWidth, colour, style, 1);
}

void PainterDrawShapeRect(Painter* p, const RECT* r, int penWidth, PainterColor colour, int style,
                          uint8_t ellipse) {
    if (r)
        PainterDrawShape(p, r->left, r->top, r->right - r->left, r->bottom - r->top, penWidth, colour, style,
                         ellipse);
}

void PainterDrawEllipseRect(Painter* p, const RECT* r, int penWidth, PainterColor colour, int style) {
    PainterDrawShapeRect(p, r, penWidth, colour, style, 1);
}

void PainterDrawRoundRect(Painter* p, const RECT* r, int cornerSize, int penWidth, PainterColor outlineColour,
                          int style, PainterColor fillColour) {
    if (!HasGraphics(p) || !r) return;
    Gdiplus::GpPath* path = nullptr;
    if (GdipCreatePath(Gdiplus::FillModeAlternate, &path) != Gdiplus::Ok) return;
    const int c = cornerSize;
    GdipAddPathArcI(path, r->left, r->top, c, c, 180, 90);
    GdipAddPathArcI(path, r->right - c, r->top, c, c, 270, 90);
    GdipAddPathArcI(path, r->right - c, r->bottom - c, c, c, 0, 90);
    GdipAddPathArcI(path, r->left, r->bottom - c, c, c, 90, 90);
    GdipAddPathLineI(path, r->left, r->bottom - c, r->left, r->top + c / 2);
    if (outlineColour)
        WithPen(p, outlineColour, penWidth, style,
                [&](Gdiplus::GpPen* pen) { return GdipDrawPath(p->Graphics.Handle, pen, path); });
    if (fillColour)
        WithBrush(p, fillColour,
                  [&](Gdiplus::GpSolidFill* brush) { return GdipFillPath(p->Graphics.Handle, brush, path); });
    GdipDeletePath(path);
}

void PainterDrawArc(Painter* p, const POINT* topLeft, const POINT* bottomRight, float startAngle,
                    float sweepAngle, int penWidth, PainterColor colour, int style) {
    if (!HasGraphics(p) || !topLeft || !bottomRight) return;
    WithPen(p, colour, penWidth, style, [&](Gdiplus::GpPen* pen) {
        return GdipDrawArcI(p->Graphics.Handle, pen, topLeft->x, topLeft->y, bottomRight->x - topLeft->x,
                            bottomRight->y - topLeft->y, startAngle, sweepAngle);
    });
}

void PainterDrawBezier(Painter* p, const POINT* p0, const POINT* p1, const POINT* p2, const POINT* p3,
                       int penWidth, PainterColor colour, int style) {
    if (!p0 || !p1 || !p2 || !p3) return;
    if (HasGraphics(p)) {
        WithPen(p, colour, penWidth, style, [&](Gdiplus::GpPen* pen) {
            return GdipDrawBezierI(p->Graphics.Handle, pen, p0->x, p0->y, p1->x, p1->y, p2->x, p2->y, p3->x,
                                   p3->y);
        });
    } else if (HasD2DTarget(p)) {
        ID2D1SolidColorBrush* brush = PainterGetBrush(p, OutlineColour(colour, style));
        if (!brush) return;
        DrawOrFill(p,
                   MakeGeometry(p,
                                [&](ID2D1GeometrySink* sink) {
                                    sink->BeginFigure(Float(*p0), D2D1_FIGURE_BEGIN_HOLLOW);
                                    sink->AddBezier(D2D1::BezierSegment(Float(*p1), Float(*p2), Float(*p3)));
                                    sink->EndFigure(D2D1_FIGURE_END_OPEN);
                                }),
                   brush, false, penWidth);
    }
}

void PainterDrawPath(Painter* p, const POINT* points, const uint8_t* types, int count, int fillMode,
                     int penWidth, PainterColor colour, int style, uint8_t fill) {
    if (!points || !types || count < 1) return;
    if (HasDc(p)) {
        std::vector<BYTE> kinds;
        for (int i = 0; i < count; ++i) {
            const uint8_t type = types[i] & 0x07;
            BYTE kind = type == 0 ? PT_MOVETO : type == 3 ? PT_BEZIERTO : PT_LINETO;
            if (types[i] & 0x80) kind |= PT_CLOSEFIGURE;
            kinds.push_back(kind);
        }
        BeginPath(p->DrawingDc);
        PolyDraw(p->DrawingDc, points, kinds.data(), count);
        EndPath(p->DrawingDc);
        if (fill) {
            GdiFill brush(p->DrawingDc, colour);
            SetPolyFillMode(p->DrawingDc, fillMode == 1 ? WINDING : ALTERNATE);
            FillPath(p->DrawingDc);
        } else {
            GdiPen pen(p->DrawingDc, style, penWidth, colour, true);
            StrokePath(p->DrawingDc);
        }
    } else if (HasGraphics(p)) {
        std::vector<Gdiplus::GpPoint> gp;
        for (int i = 0; i < count; ++i) gp.emplace_back(points[i].x, points[i].y);
        Gdiplus::GpPath* path = nullptr;
        if (GdipCreatePath2I(gp.data(), types, count, static_cast<Gdiplus::GpFillMode>(fillMode), &path) !=
            Gdiplus::Ok)
            return;
        if (fill)
            WithBrush(p, colour, [&](Gdiplus::GpSolidFill* brush) {
                return GdipFillPath(p->Graphics.Handle, brush, path);
            });
        else
            WithPen(p, colour, penWidth, style,
                    [&](Gdiplus::GpPen* pen) { return GdipDrawPath(p->Graphics.Handle, pen, path); });
        GdipDeletePath(path);
    } else if (HasD2DTarget(p)) {
        ID2D1SolidColorBrush* brush = PainterGetBrush(p, colour);
        if (!brush) return;
        // The same figure GDI+ builds: a line to every line point, one cubic segment per three
        // Bezier points; a start point opens a new figure.
        ID2D1StrokeStyle* stroke = fill ? nullptr : DashStroke(p, style);
        DrawOrFill(
            p,
            MakeGeometry(p,
                         [&](ID2D1GeometrySink* sink) {
                             sink->SetFillMode(fillMode == 1 ? D2D1_FILL_MODE_WINDING
                                                             : D2D1_FILL_MODE_ALTERNATE);
                             const D2D1_FIGURE_BEGIN begin =
                                 fill ? D2D1_FIGURE_BEGIN_FILLED : D2D1_FIGURE_BEGIN_HOLLOW;
                             const D2D1_FIGURE_END end = fill ? D2D1_FIGURE_END_CLOSED : D2D1_FIGURE_END_OPEN;
                             sink->BeginFigure(Float(points[0]), begin);
                             for (int i = 1; i < count; ++i) {
                                 const uint8_t type = types[i] & 0x07;
                                 if (type == 0) {
                                     sink->EndFigure(end);
                                     sink->BeginFigure(Float(points[i]), begin);
                                 } else if (type == 3 && i + 2 < count) {
                                     sink->AddBezier(D2D1::BezierSegment(
                                         Float(points[i]), Float(points[i + 1]), Float(points[i + 2])));
                                     i += 2;
                                 } else {
                                     sink->AddLine(Float(points[i]));
                                 }
                             }
                             sink->EndFigure(end);
                         }),
            brush, fill != 0, penWidth, stroke);
        SafeRelease(stroke);
    }
}

void PainterFillPath(Painter* p, const POINT* points, const uint8_t* types, int count, int fillMode,
                     PainterColor colour) {
    PainterDrawPath(p, points, types, count, fillMode, 1, colour, 0, 1);
}

void PainterDrawPolygon(Painter* p, const POINT* points, int count, uint8_t closed, int penWidth,
                        PainterColor colour, int style, uint8_t fill) {
    if (!points || count < 2) return;
    if (HasDc(p)) {
        if (fill) {
            GdiFill brush(p->DrawingDc, colour);
            Polygon(p->DrawingDc, points, count);
        } else {
            GdiPen pen(p->DrawingDc, style, penWidth, colour, true);
            if (closed)
                Polygon(p->DrawingDc, points, count);
            else
                Polyline(p->DrawingDc, points, count);
        }
    } else if (HasGraphics(p)) {
        const std::vector<Gdiplus::GpPointF> gp = FloatPoints(points, count);
        if (fill)
            WithBrush(p, colour, [&](Gdiplus::GpSolidFill* brush) {
                return GdipFillPolygon(p->Graphics.Handle, brush, gp.data(), count,
                                       Gdiplus::FillModeAlternate);
            });
        else
            WithPen(p, colour, penWidth, style, [&](Gdiplus::GpPen* pen) {
                return closed ? GdipDrawPolygon(p->Graphics.Handle, pen, gp.data(), count)
                              : GdipDrawLines(p->Graphics.Handle, pen, gp.data(), count);
            });
    } else if (HasD2DTarget(p)) {
        ID2D1SolidColorBrush* brush = PainterGetBrush(p, colour);
        if (!brush) return;
        DrawOrFill(p,
                   MakeGeometry(p,
                                [&](ID2D1GeometrySink* sink) {
                                    sink->BeginFigure(Float(points[0]), fill ? D2D1_FIGURE_BEGIN_FILLED
                                                                             : D2D1_FIGURE_BEGIN_HOLLOW);
                                    for (int i = 1; i < count; ++i) sink->AddLine(Float(points[i]));
                                    sink->EndFigure(closed || fill ? D2D1_FIGURE_END_CLOSED
                                                                   : D2D1_FIGURE_END_OPEN);
                                }),
                   brush, fill != 0, penWidth);
    }
}

void PainterFillPolygon(Painter* p, const POINT* points, int count, uint8_t closed, PainterColor colour) {
    PainterDrawPolygon(p, points, count, closed, 1, colour, 0, 1);
}
