#include "update/update_dialog.h"

#include <shellapi.h>

std::atomic<bool> UpdateCancelRequested{false};

namespace {

// The one tray record of a run.
NOTIFYICONDATAW TrayRecord{};

INT_PTR HandleUpdateDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND: return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
        case WM_CLOSE:
            // The worker ends at its next read; the engine waits for it, not for this window.
            UpdateCancelRequested = true;
            DestroyWindow(dialog);
            return TRUE;
        case kUpdateTrayMessage:
            if (lParam == WM_LBUTTONDOWN || lParam == NIN_BALLOONUSERCLICK) ShowWindow(dialog, SW_SHOW);
            return TRUE;
        default: return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK UpdateDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleUpdateDialog(dialog, message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

HWND CreateUpdateDialog() {
    return CreateDialogParamW(GetModuleHandleW(nullptr), L"DIALOG_UPDATE", nullptr, UpdateDlgProc, 0);
}

void CollapseUpdatePageRoom(HWND dialog) {
    HWND room = GetDlgItem(dialog, kUpdatePagePlaceholder);
    if (!room) return;
    RECT placeholder{}, window{};
    GetWindowRect(room, &placeholder);
    GetWindowRect(dialog, &window);
    const int height = (window.bottom - window.top) - (placeholder.bottom - placeholder.top);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AddUpdateTrayIcon(HWND dialog) {
    TrayRecord = {};
    TrayRecord.cbSize = sizeof TrayRecord;
    TrayRecord.hWnd = dialog;
    TrayRecord.uID = kUpdateTrayMessage;
    TrayRecord.uFlags = NIF_MESSAGE | NIF_ICON;
    TrayRecord.uCallbackMessage = kUpdateTrayMessage;
    TrayRecord.hIcon = LoadIconW(nullptr, IDI_SHIELD);
    if (!TrayRecord.hIcon) TrayRecord.hIcon = LoadIconW(nullptr, IDI_INFORMATION);
    Shell_NotifyIconW(NIM_ADD, &TrayRecord);
}

void RemoveUpdateTrayIcon() {
    if (!TrayRecord.hWnd) return;
    Shell_NotifyIconW(NIM_DELETE, &TrayRecord);
    TrayRecord = {};
}
