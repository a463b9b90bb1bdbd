#include "common/window_helpers.h"

#include <commctrl.h>

WNDPROC PreviousResizeProc = nullptr;

void RepaintWindow(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

void RepaintWindowNoErase(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

int MeasureLineHeight(HWND window, HFONT font) {
    if (!font && window) font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, L"12345678", 8, &size);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);

    int frame = 0;
    RECT outer{}, client{};
    if (window && GetWindowRect(window, &outer) && GetClientRect(window, &client))
        frame = (outer.bottom - outer.top) - (client.bottom - client.top);
    return frame + size.cy + 5;
}

void ScaleRectToDevice(HDC dc, RECT& rect, int baseResolution) {
    const int x = GetDeviceCaps(dc, LOGPIXELSX);
    const int y = GetDeviceCaps(dc, LOGPIXELSY);
    rect.left = MulDiv(rect.left, x, baseResolution);
    rect.right = MulDiv(rect.right, x, baseResolution);
    rect.top = MulDiv(rect.top, y, baseResolution);
    rect.bottom = MulDiv(rect.bottom, y, baseResolution);
}

LRESULT CALLBACK DialogResizeSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SIZE)
        return PreviousResizeProc ? CallWindowProcW(PreviousResizeProc, window, message, wParam, lParam)
                                  : DefWindowProcW(window, message, wParam, lParam);

    HWND parent = GetParent(window);
    RECT client{}, own{};
    GetClientRect(parent, &client);
    GetWindowRect(window, &own);
    const int width = client.right - client.left, height = client.bottom - client.top;
    const int ownWidth = own.right - own.left, ownHeight = own.bottom - own.top;

    HWND left = GetDlgItem(parent, 1000);
    HWND below = GetDlgItem(parent, 1002);
    MoveWindow(left, 0, 32, width - ownWidth, height - 32, TRUE);
    MoveWindow(below, width - ownWidth, ownHeight + 32, ownWidth, height - ownHeight, TRUE);
    ShowWindow(left, SW_SHOW);
    ShowWindow(below, SW_SHOW);
    return 0;
}

LRESULT NotifyListItemChanged(HWND target, HWND source, int item, int subItem) {
    NMLISTVIEW notice{};
    notice.hdr.hwndFrom = source;
    notice.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(source));
    notice.hdr.code = LVN_ITEMCHANGED;
    notice.iItem = item;
    notice.iSubItem = subItem;
    return SendMessageW(target, WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
}

std::wstring GetWindowTextString(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
    return text;
}

bool OpenClipboardPatiently(HWND window) {
    for (int attempt = 0; attempt < 150; ++attempt) {
        if (OpenClipboard(window)) return true;
        Sleep(20);
    }
    return false;
}
