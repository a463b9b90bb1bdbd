#include "draw/text_stamps.h"

#include "draw/painter_internal.h"
#include "draw/painter_shapes.h"

#include <string>
#include <unordered_map>
#include <vector>

using namespace painter_detail;

namespace {

// One bitmap holds every stamp, on shelves of equal height; when it is full it starts afresh. It
// holds some two thousand words, more than a maximised view shows at once.
constexpr int32_t kSheetWidth = 1024;
constexpr int32_t kSheetHeight = 512;

struct Shelf {
    int32_t Top = 0;
    int32_t Height = 0;
    int32_t Used = 0;
};

int DibDepth(HBITMAP bitmap) {
    DIBSECTION section{};
    return bitmap && GetObjectW(bitmap, sizeof section, &section) == sizeof section ? section.dsBm.bmBitsPixel
                                                                                    : 0;
}

void AppendNumber(std::wstring& key, uint32_t value) {
    key += static_cast<wchar_t>(value & 0xFFFF);
    key += static_cast<wchar_t>(value >> 16);
}

} // namespace

struct TextStampCache {
    HDC Dc = nullptr;
    HBITMAP Sheet = nullptr;
    HGDIOBJ Previous = nullptr;
    int Depth = 0;
    std::vector<Shelf> Shelves;
    int32_t NextTop = 0;
    std::unordered_map<std::wstring, POINT> Places;
    std::wstring Key;
    uint64_t Copied = 0;
    uint64_t Drawn = 0;
};

namespace {

void DropSheet(TextStampCache* cache) {
    if (cache->Dc) {
        if (cache->Previous) SelectObject(cache->Dc, cache->Previous);
        DeleteDC(cache->Dc);
    }
    if (cache->Sheet) DeleteObject(cache->Sheet);
    cache->Dc = nullptr;
    cache->Sheet = nullptr;
    cache->Previous = nullptr;
    cache->Depth = 0;
    cache->Shelves.clear();
    cache->NextTop = 0;
    cache->Places.clear();
}

// The sheet in the back buffer's pixel format, so that copies in both directions are exact.
bool HaveSheet(TextStampCache* cache, const Painter* p) {
    const int depth = DibDepth(p->BackBufferBitmap);
    if (depth == 0) return false;
    if (cache->Sheet && cache->Depth == depth) return true;
    DropSheet(cache);
    cache->Sheet = CreateScreenDib(p->DrawingDc, kSheetWidth, kSheetHeight, depth);
    cache->Dc = cache->Sheet ? CreateCompatibleDC(p->DrawingDc) : nullptr;
    if (!cache->Dc) {
        DropSheet(cache);
        return false;
    }
    cache->Previous = SelectObject(cache->Dc, cache->Sheet);
    cache->Depth = depth;
    return true;
}

bool FindRoom(TextStampCache* cache, int32_t width, int32_t height, POINT& place) {
    for (Shelf& shelf : cache->Shelves)
        if (shelf.Height == height && shelf.Used + width <= kSheetWidth) {
            place = {shelf.Used, shelf.Top};
            shelf.Used += width;
            return true;
        }
    if (cache->NextTop + height > kSheetHeight) return false;
    cache->Shelves.push_back({cache->NextTop, height, width});
    place = {0, cache->NextTop};
    cache->NextTop += height;
    return true;
}

// The DC that GDI may draw on between the painter's own drawing (GDI+ hands its DC out).
HDC BeginGdi(Painter* p) {
    if (p->Mode != kPainterGdiPlus) return p->DrawingDc;
    HDC dc = nullptr;
    return GdipGetDC(p->Graphics.Handle, &dc) == Gdiplus::Ok ? dc : nullptr;
}

void EndGdi(Painter* p, HDC dc) {
    if (p->Mode == kPainterGdiPlus) GdipReleaseDC(p->Graphics.Handle, dc);
}

void DrawDirectly(Painter* p, const TextStamp& stamp, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (stamp.Fill) PainterFillShape(p, x, y, stamp.FillWidth, stamp.FillHeight, stamp.Fill, 0);
    PainterDrawText(p, stamp.Text.data(), static_cast<int32_t>(stamp.Text.size()), x, y, width, height, 0, 0,
                    stamp.Colour, 1);
}

} // namespace

TextStampCache* CreateTextStampCache() {
    return new TextStampCache;
}

void DestroyTextStampCache(TextStampCache* cache) {
    if (!cache) return;
    DropSheet(cache);
    delete cache;
}

bool TextStampsUsable(const Painter* p) {
    if (!p || !p->BackBuffer || !p->DrawingDc || !p->BackBufferBitmap) return false;
    return p->Mode == kPainterGdi || (p->Mode == kPainterGdiPlus && p->Graphics.Handle);
}

void PainterDrawTextStamp(Painter* p, TextStampCache* cache, const TextStamp& stamp, int32_t x, int32_t y,
                          int32_t width, int32_t height) {
    const bool inside = x >= 0 && y >= 0 && x + width <= p->DcRect.right && y + height <= p->DcRect.bottom;
    if (!cache || !TextStampsUsable(p) || !inside || width <= 0 || height <= 0 || width > kSheetWidth ||
        height > kSheetHeight || !HaveSheet(cache, p)) {
        DrawDirectly(p, stamp, x, y, width, height);
        return;
    }
    std::wstring& key = cache->Key;
    key.assign(stamp.Text);
    key += L'\0';
    key += stamp.FontKey;
    for (uint32_t value : {p->Mode, static_cast<uint32_t>(p->AntiAlias), stamp.Colour, stamp.Fill,
                           static_cast<uint32_t>(stamp.FillWidth), static_cast<uint32_t>(stamp.FillHeight),
                           stamp.Background, static_cast<uint32_t>(width), static_cast<uint32_t>(height)})
        AppendNumber(key, value);

    if (auto found = cache->Places.find(key); found != cache->Places.end()) {
        if (HDC dc = BeginGdi(p)) {
            BitBlt(dc, x, y, width, height, cache->Dc, found->second.x, found->second.y, SRCCOPY);
            EndGdi(p, dc);
            ++cache->Copied;
            return;
        }
        DrawDirectly(p, stamp, x, y, width, height);
        return;
    }
    DrawDirectly(p, stamp, x, y, width, height);
    ++cache->Drawn;
    POINT place{};
    if (!FindRoom(cache, width, height, place)) {
        // The sheet is full: its stamps are forgotten and it fills again from the top.
        cache->Shelves.clear();
        cache->NextTop = 0;
        cache->Places.clear();
        if (!FindRoom(cache, width, height, place)) return;
    }
    if (HDC dc = BeginGdi(p)) {
        BitBlt(cache->Dc, place.x, place.y, width, height, dc, x, y, SRCCOPY);
        EndGdi(p, dc);
        cache->Places.emplace(key, place);
    }
}

TextStampCounts CountTextStamps(const TextStampCache* cache) {
    if (!cache) return {};
    return {cache->Places.size(), cache->Copied, cache->Drawn};
}
