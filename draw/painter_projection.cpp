// The camera model of projected drawing.
#include "draw/painter_internal.h"
#include "draw/painter_shapes.h"
#include "draw/projection.h"

#include <cmath>

namespace {

// Below this the point lies on the camera plane: there is nothing finite to divide by.
constexpr float kCameraPlane = 1e-6f;

} // namespace

void painter_detail::ResetProjection(Painter* p) {
    p->Projection = ProjectionState{};
    p->Projection.Viewport[2] = p->ClientRect.right;
    p->Projection.Viewport[3] = p->ClientRect.bottom;
}

std::optional<Matrix> MatrixMultiply(const Matrix& a, const Matrix& b) {
    if (a.Columns != b.Rows) return std::nullopt;
    Matrix c(a.Rows, b.Columns);
    for (int i = 0; i < a.Rows; ++i)
        for (int j = 0; j < b.Columns; ++j) {
            float sum = 0;
            for (int k = 0; k < a.Columns; ++k) sum += a.At(i, k) * b.At(k, j);
            c.At(i, j) = sum;
        }
    return c;
}

bool Project3D(const float point[3], const float offset[3], const float pose[6], const float scale[3],
               float out[2], const RECT* viewport) {
    Matrix t(4, 4);
    for (int i = 0; i < 4; ++i) t.At(i, i) = 1;
    t.At(3, 0) = pose[0];
    t.At(3, 1) = pose[1];
    t.At(3, 2) = pose[2];
    const float sx = std::sin(pose[3]), cx = std::cos(pose[3]);
    const float sy = std::sin(pose[4]), cy = std::cos(pose[4]);
    const float sz = std::sin(pose[5]), cz = std::cos(pose[5]);
    Matrix r(4, 4);
    const float rows[4][4] = {{cz * cy, sz * cy, -sy, 0},
                              {sy * sx * cz - sz * cx, sy * sx * sz + cz * cx, cy * sx, 0},
                              {sy * cx * cz + sz * sx, sy * cx * sz - cz * sx, cy * cx, 0},
                              {0, 0, 0, 1}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.At(i, j) = rows[i][j];
    const std::optional<Matrix> m = MatrixMultiply(r, t);
    const float p[4] = {(point[0] + offset[0]) * scale[0], (point[1] + offset[1]) * scale[1],
                        (point[2] + offset[2]) * scale[2], 1};
    float q[4] = {};
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) q[j] += p[i] * m->At(i, j);
    if (std::fabs(q[2]) < kCameraPlane) return false;
    const int w = viewport->right - viewport->left;
    const int h = viewport->bottom - viewport->top;
    const float f = static_cast<float>(w) / q[2];
    for (float& component : q) component *= f;
    out[0] = static_cast<float>(viewport->right) - (static_cast<float>(w / 2) + q[0]);
    out[1] = static_cast<float>(h / 2) + q[1];
    return true;
}

bool ProjectPoint(ProjectionState& state, const float point[3]) {
    const RECT viewport{0, 0, static_cast<LONG>(state.Viewport[2]), static_cast<LONG>(state.Viewport[3])};
    if (!Project3D(point, state.Offset, state.Pose, state.Scale, state.Output, &viewport)) return false;
    state.Output[0] += static_cast<float>(state.Viewport[0]);
    state.Output[1] += static_cast<float>(state.Viewport[1]);
    return true;
}

bool ProjectPainterPoint(Painter* p, float out[2], float x, float y, float z) {
    if (!p) return false;
    ProjectionState copy = p->Projection;
    const float point[3] = {x, y, z};
    if (!ProjectPoint(copy, point)) return false;
    out[0] = copy.Output[0];
    out[1] = copy.Output[1];
    return true;
}

void PainterDrawLine3D(Painter* p, float x1, float y1, float z1, float x2, float y2, float z2, int width,
                       PainterColor colour, int style) {
    float a[2], b[2];
    if (!ProjectPainterPoint(p, a, x1, y1, z1) || !ProjectPainterPoint(p, b, x2, y2, z2)) return;
    PainterDrawLine(p, static_cast<int>(a[0]), static_cast<int>(a[1]), static_cast<int>(b[0]),
                    static_cast<int>(b[1]), width, colour, style);
}

namespace {

std::vector<POINT> ProjectVertices(Painter* p, const float* points, int count) {
    std::vector<POINT> out;
    for (int i = 0; points && i < count; ++i) {
        float xy[2];
        if (ProjectPainterPoint(p, xy, points[3 * i], points[3 * i + 1], points[3 * i + 2]))
            out.push_back({static_cast<LONG>(xy[0]), static_cast<LONG>(xy[1])});
    }
    return out;
}

} // namespace

void PainterDrawPolygon3D(Painter* p, const float* points, int count, uint8_t closed, int penWidth,
                          PainterColor colour, int style, uint8_t fill) {
    const std::vector<POINT> projected = ProjectVertices(p, points, count);
    PainterDrawPolygon(p, projected.data(), static_cast<int>(projected.size()), closed, penWidth, colour,
                       style, fill);
}

void PainterFillPolygon3D(Painter* p, const float* points, int count, uint8_t closed, PainterColor colour) {
    const std::vector<POINT> projected = ProjectVertices(p, points, count);
    PainterFillPolygon(p, projected.data(), static_cast<int>(projected.size()), closed, colour);
}
