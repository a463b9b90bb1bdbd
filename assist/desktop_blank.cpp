// The desktop stays black, without its wallpaper, while a session shows it to the author.
#include "assist/assist_session.h"

void BlankDesktop(SavedDesktop& saved) {
    wchar_t wallpaper[1001] = {};
    SystemParametersInfoW(SPI_GETDESKWALLPAPER, 1000, wallpaper, 0);
    saved.Wallpaper = wallpaper;
    wchar_t none[] = L"";
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, none, 0);
    saved.Color = GetSysColor(COLOR_BACKGROUND);
    const INT element = COLOR_BACKGROUND;
    const COLORREF black = 0;
    SetSysColors(1, &element, &black);
    saved.Saved = true;
}

void RestoreDesktop(SavedDesktop& saved) {
    if (!saved.Saved) return;
    if (!saved.Wallpaper.empty()) SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, saved.Wallpaper.data(), 0);
    const INT element = COLOR_BACKGROUND;
    SetSysColors(1, &element, &saved.Color);
    saved.Saved = false;
}
