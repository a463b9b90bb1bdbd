#include "views/smiley_menu.h"

#include "core/resource_library.h"

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <vector>

namespace {

constexpr int kMenuBitmapSize = 30;
constexpr uint32_t kGroups = 9;
constexpr uint32_t kItemsPerGroup = 100;

std::mutex g_menuMutex;
HMENU g_menu = nullptr;
std::vector<HBITMAP> g_bitmaps; // owned by the menu's items

HBITMAP LoadSmileyBitmap(uint32_t group, uint32_t item) {
    HMODULE module = ResourceModule.load();
    if (!module) return nullptr;
    wchar_t name[16] = {};
    swprintf(name, 16, L"SM_%u%02u", group, item);
    return static_cast<HBITMAP>(LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// A new square bitmap of the side: the background colour with the source drawn over it in the
// middle, the key colour of the source transparent. Only the source's own pixels are drawn, so
// what lies around a smaller picture is the background, never whatever a copy from beyond its
// edges would give.
HBITMAP ComposeSquare(HBITMAP source, COLORREF keyColor, COLORREF background, int side) {
    if (!source) return nullptr;
    BITMAP shape{};
    if (!GetObjectW(source, sizeof shape, &shape) || shape.bmWidth <= 0 || shape.bmHeight <= 0)
        return nullptr;
    const int width = std::min<int>(shape.bmWidth, side);
    const int height = std::min<int>(shape.bmHeight, side);
    const int left = (side - width) / 2, top = (side - height) / 2;
    HDC screen = GetDC(nullptr);
    HDC sourceDc = CreateCompatibleDC(screen);
    HDC maskDc = CreateCompatibleDC(screen);
    HDC resultDc = CreateCompatibleDC(screen);
    HBITMAP result = CreateCompatibleBitmap(screen, side, side);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);

    HGDIOBJ oldSource = SelectObject(sourceDc, source);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    HGDIOBJ oldResult = SelectObject(resultDc, result);

    RECT all{0, 0, side, side};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(resultDc, &all, brush);
    DeleteObject(brush);

    // Mask: white where the source has the key colour.
    COLORREF oldBack = SetBkColor(sourceDc, keyColor);
    BitBlt(maskDc, 0, 0, width, height, sourceDc, 0, 0, SRCCOPY);
    SetBkColor(sourceDc, oldBack);
    // Text and back colours of the result DC decide how the 1-bit mask maps to colours.
    SetBkColor(resultDc, RGB(255, 255, 255));
    SetTextColor(resultDc, RGB(0, 0, 0));
    BitBlt(resultDc, left, top, width, height, sourceDc, 0, 0, SRCINVERT);
    BitBlt(resultDc, left, top, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(resultDc, left, top, width, height, sourceDc, 0, 0, SRCINVERT);

    SelectObject(sourceDc, oldSource);
    SelectObject(maskDc, oldMask);
    SelectObject(resultDc, oldResult);
    DeleteDC(sourceDc);
    DeleteDC(maskDc);
    DeleteDC(resultDc);
    DeleteObject(mask);
    return result;
}

HMENU BuildMenu() {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    // The pictures stand on the menu's own colour, as its text does.
    const COLORREF background = GetSysColor(COLOR_MENU);
    for (uint32_t group = 1; group <= kGroups; ++group) {
        HMENU submenu = nullptr;
        for (uint32_t item = 0; item < kItemsPerGroup; ++item) {
            HBITMAP loaded = LoadSmileyBitmap(group, item);
            if (!loaded) break;
            HBITMAP face = MakeMenuBitmap(loaded, RGB(255, 255, 255), background);
            DeleteObject(loaded);
            if (!face) break;
            g_bitmaps.push_back(face);
            const wchar_t* faceItem = reinterpret_cast<const wchar_t*>(face);
            if (item == 0) {
                submenu = CreatePopupMenu();
                AppendMenuW(menu, MF_POPUP | MF_BITMAP, reinterpret_cast<UINT_PTR>(submenu), faceItem);
                continue;
            }
            UINT flags = MF_BITMAP;
            if (item >= 5 && (item - 5) % 4 == 0) flags |= MF_MENUBARBREAK;
            AppendMenuW(submenu, flags, kSmileyFirstId + group * 100 + item, faceItem);
        }
    }
    return menu;
}

} // namespace

HMENU ShowSmileyMenu(HWND window, bool buildOnly) {
    HMENU menu = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_menuMutex);
        if (!g_menu) g_menu = BuildMenu();
        menu = g_menu;
    }
    if (buildOnly || !menu) return menu;
    POINT cursor{};
    GetCursorPos(&cursor);
    SetForegroundWindow(window);
    TrackPopupMenu(menu, 0, cursor.x, cursor.y, 0, window, nullptr);
    PostMessageW(window, WM_NULL, 0, 0);
    return menu;
}

void DestroySmileyMenu() {
    std::lock_guard<std::mutex> lock(g_menuMutex);
    if (g_menu) DestroyMenu(g_menu);
    g_menu = nullptr;
    for (HBITMAP bitmap : g_bitmaps) DeleteObject(bitmap);
    g_bitmaps.clear();
}

HBITMAP SmileyMenuBitmap(HMENU menu, UINT id) {
    if (!menu) return nullptr;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_BITMAP;
    if (GetMenuItemInfoW(menu, id, FALSE, &info) && info.hbmpItem && info.hbmpItem != HBMMENU_CALLBACK)
        return info.hbmpItem;
    info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE;
    if (GetMenuItemInfoW(menu, id, FALSE, &info) && (info.fType & MFT_BITMAP))
        return reinterpret_cast<HBITMAP>(info.dwTypeData);
    return nullptr;
}

HBITMAP MakeSmileyPicture(uint32_t number, COLORREF background, int side) {
    if (number / 100 < 1 || number / 100 > kGroups || side <= 0) return nullptr;
    HBITMAP loaded = LoadSmileyBitmap(number / 100, number % 100);
    if (!loaded) return nullptr;
    BITMAP shape{};
    GetObjectW(loaded, sizeof shape, &shape);
    const int own = std::max<int>(shape.bmWidth, shape.bmHeight);
    // A picture larger than the square is made at its own size and then scaled down.
    HBITMAP picture = ComposeSquare(loaded, RGB(255, 255, 255), background, std::max(side, own));
    DeleteObject(loaded);
    if (!picture || side >= own) return picture;
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, side, side);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldFrom = SelectObject(from, picture), oldTo = SelectObject(to, scaled);
    SetStretchBltMode(to, HALFTONE);
    StretchBlt(to, 0, 0, side, side, from, 0, 0, own, own, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    DeleteObject(picture);
    return scaled;
}

HBITMAP MakeMenuBitmap(HBITMAP source, COLORREF keyColor, COLORREF background) {
    return ComposeSquare(source, keyColor, background, kMenuBitmapSize);
}
