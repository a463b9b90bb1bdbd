#include "views/gradient_fill.h"

#include "common/base64.h"
#include "core/settings.h"

#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaxGradientBytes = 10000;
constexpr size_t kHeaderBytes = 16;
constexpr size_t kVertexBytes = 16;

uint32_t ReadU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t ReadU16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace

bool FillGradientSpec(HDC dc, const RECT& rect, const std::string& encoded) {
    std::vector<unsigned char> bytes = Base64DecodeText(encoded, true);
    if (bytes.size() < kHeaderBytes || bytes.size() > kMaxGradientBytes) return false;
    const unsigned char* p = bytes.data();
    uint64_t vertices = ReadU32(p), meshes = ReadU32(p + 4);
    uint32_t mode = ReadU32(p + 12);
    if (mode > GRADIENT_FILL_TRIANGLE || vertices == 0 || meshes == 0) return false;
    uint64_t meshBytes = mode == GRADIENT_FILL_TRIANGLE ? 12 : 8;
    uint64_t needed = kHeaderBytes + vertices * kVertexBytes + meshes * meshBytes;
    if (vertices > kMaxGradientBytes || meshes > kMaxGradientBytes || needed > bytes.size()) return false;

    std::vector<TRIVERTEX> points(static_cast<size_t>(vertices));
    for (size_t i = 0; i < points.size(); ++i) {
        const unsigned char* v = p + kHeaderBytes + i * kVertexBytes;
        int32_t x = static_cast<int32_t>(ReadU32(v)), y = static_cast<int32_t>(ReadU32(v + 4));
        points[i].x = static_cast<LONG>(static_cast<int64_t>(rect.right) * x / 100);
        points[i].y = static_cast<LONG>(static_cast<int64_t>(rect.bottom) * y / 100);
        points[i].Red = ReadU16(v + 8);
        points[i].Green = ReadU16(v + 10);
        points[i].Blue = ReadU16(v + 12);
        points[i].Alpha = ReadU16(v + 14);
    }
    const unsigned char* m = p + kHeaderBytes + vertices * kVertexBytes;
    std::vector<ULONG> indexes(static_cast<size_t>(meshes * (meshBytes / 4)));
    for (size_t i = 0; i < indexes.size(); ++i) {
        indexes[i] = ReadU32(m + i * 4);
        if (indexes[i] >= vertices) return false;
    }
    return GradientFill(dc, points.data(), static_cast<ULONG>(vertices), indexes.data(),
                        static_cast<ULONG>(meshes), mode) != FALSE;
}

bool FillWithConfigColor(HDC dc, const RECT& rect, COLORREF defaultColor, const char* key) {
    std::string gradient = Settings::ColourText(key);
    if (!gradient.empty()) return FillGradientSpec(dc, rect, gradient);
    HBRUSH brush = CreateSolidBrush(defaultColor);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
    return false;
}
