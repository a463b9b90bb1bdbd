#include "qx/tray_progress.h"

#include <cwchar>

uint32_t TransferPercent(uint64_t bytesDone, uint64_t size) {
    if (size == 0 || bytesDone >= size) return size == 0 ? 0 : 100;
    return static_cast<uint32_t>(static_cast<double>(bytesDone) / static_cast<double>(size) * 100.0);
}

void DrawTrayProgressIcon(HWND window, uint64_t bytesDone, uint64_t size, NOTIFYICONDATAW& tray,
                          uint64_t& lastDrawn) {
    if (bytesDone == lastDrawn) return;
    lastDrawn = bytesDone;
    constexpr int kSide = 16;
    const uint32_t percent = TransferPercent(bytesDone, size);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kSide, kSide);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);

    RECT square{0, 0, kSide, kSide};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &square, red);
    DeleteObject(red);
    RECT bar{0, kSide - static_cast<LONG>(kSide * percent / 100), kSide, kSide};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &bar, blue);
    DeleteObject(blue);
    DrawEdge(dc, &square, BDR_RAISEDINNER, BF_RECT);

    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = font.lfHeight < 0 ? font.lfHeight + 1 : font.lfHeight - 1;
    font.lfWeight = font.lfWeight > 0 ? font.lfWeight - 1 : 0;
    HFONT small = CreateFontIndirectW(&font);
    HGDIOBJ oldFont = SelectObject(dc, small);
    wchar_t text[16];
    std::swprintf(text, 16, L"%02u", percent);
    SetTextColor(dc, RGB(255, 255, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, -1, &square, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    DeleteObject(small);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = bitmap;
    info.hbmColor = bitmap;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(bitmap);
    if (!icon) return;
    if (tray.hIcon) DestroyIcon(tray.hIcon);
    tray.hIcon = icon;
    tray.hWnd = window;
    tray.uFlags = NIF_ICON | NIF_TIP;
    tray.szTip[0] = 0;
    Shell_NotifyIconW(NIM_MODIFY, &tray);
}
