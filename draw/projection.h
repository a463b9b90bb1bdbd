// Projected drawing: 3-D points through the Painter's camera model onto client coordinates.
#pragma once

#include "draw/painter.h"

#include <optional>
#include <vector>

// A rows × columns matrix of floats, indexed [row][column], zero-filled.
struct Matrix {
    int Rows = 0;
    int Columns = 0;
    std::vector<float> Values;
    Matrix(int rows, int columns)
        : Rows(rows), Columns(columns), Values(static_cast<size_t>(rows) * columns) {}
    float& At(int row, int column) { return Values[static_cast<size_t>(row) * Columns + column]; }
    float At(int row, int column) const { return Values[static_cast<size_t>(row) * Columns + column]; }
};

// A × B; nothing when A's columns differ from B's rows.
std::optional<Matrix> MatrixMultiply(const Matrix& a, const Matrix& b);

// Projects one point; false (out untouched) when it lies on the camera plane and has no finite
// projection.
bool Project3D(const float point[3], const float offset[3], const float pose[6], const float scale[3],
               float out[2], const RECT* viewport);
// Projects with the state into its output and adds the viewport origin.
bool ProjectPoint(ProjectionState& state, const float point[3]);
bool ProjectPainterPoint(Painter* painter, float out[2], float x, float y, float z);

void PainterDrawLine3D(Painter* painter, float x1, float y1, float z1, float x2, float y2, float z2,
                       int width, PainterColor colour, int style);
// points: count × {x, y, z}. Vertices without a finite projection are left out.
void PainterDrawPolygon3D(Painter* painter, const float* points, int count, uint8_t closed, int penWidth,
                          PainterColor colour, int style, uint8_t fill);
void PainterFillPolygon3D(Painter* painter, const float* points, int count, uint8_t closed,
                          PainterColor colour);
