#include "views/config_fonts.h"

#include "core/settings.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

std::mutex g_fontsMutex;
std::vector<HFONT> g_trackedFonts; // newest first

HFONT Track(HFONT font) {
    if (!font) return font;
    std::lock_guard<std::mutex> lock(g_fontsMutex);
    g_trackedFonts.insert(g_trackedFonts.begin(), font);
    return font;
}

HFONT CopyWith(HFONT font, void (*change)(LOGFONTW&)) {
    LOGFONTW logFont{};
    if (!font || GetObjectW(font, sizeof logFont, &logFont) != sizeof logFont)
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    change(logFont);
    return Track(CreateFontIndirectW(&logFont));
}

} // namespace

HFONT CreateConfigFont(const char* key) {
    std::vector<uint8_t> bytes = Settings::Font(key);
    LOGFONTW logFont{};
    if (bytes.size() == sizeof logFont) memcpy(&logFont, bytes.data(), sizeof logFont);
    logFont.lfFaceName[LF_FACESIZE - 1] = 0;
    if (logFont.lfHeight == 0) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HFONT font = CreateFontIndirectW(&logFont);
    return font ? Track(font) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT CreateBoldFont(HFONT font) {
    return CopyWith(font, [](LOGFONTW& f) { f.lfWeight = FW_BOLD; });
}

HFONT CreateUnderlinedFont(HFONT font) {
    return CopyWith(font, [](LOGFONTW& f) { f.lfUnderline = TRUE; });
}

void DeleteTrackedFont(HFONT font) {
    std::lock_guard<std::mutex> lock(g_fontsMutex);
    auto found = std::find(g_trackedFonts.begin(), g_trackedFonts.end(), font);
    if (found == g_trackedFonts.end()) return;
    DeleteObject(font);
    g_trackedFonts.erase(found);
}

void DeleteAllTrackedFonts() {
    std::lock_guard<std::mutex> lock(g_fontsMutex);
    for (HFONT font : g_trackedFonts) DeleteObject(font);
    g_trackedFonts.clear();
}

bool IsTrackedFont(HFONT font) {
    std::lock_guard<std::mutex> lock(g_fontsMutex);
    return std::find(g_trackedFonts.begin(), g_trackedFonts.end(), font) != g_trackedFonts.end();
}
