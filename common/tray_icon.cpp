#include "common/tray_icon.h"

#include <cwchar>

#include "common/app_state.h"
#include "common/frame_messages.h"

namespace {

enum BalloonSupport { kUntested, kAvailable, kUnavailable };
BalloonSupport Balloons = kUntested;
// Guards the balloon state and the tray record: balloons come from any thread that prints.
SRWLOCK TrayLock = SRWLOCK_INIT;

template <size_t N> void CopyCut(wchar_t (&field)[N], const wchar_t* text) {
    size_t length = text ? wcsnlen(text, N - 1) : 0;
    if (length) wmemcpy(field, text, length);
    field[length] = L'\0';
}

} // namespace

NOTIFYICONDATAW& TrayIconData() {
    static NOTIFYICONDATAW data{};
    return data;
}

namespace {

BOOL NotifyIconLocked(DWORD mode, NOTIFYICONDATAW& data, UINT timeoutMs, const wchar_t* text,
                      const wchar_t* title, DWORD balloonFlags) {
    if (mode == NIM_DELETE) return Shell_NotifyIconW(NIM_DELETE, &data);

    const bool firstUse = Balloons == kUntested;
    if (firstUse) {
        const bool recent = WindowsMajorVersion > 5 || (WindowsMajorVersion == 5 && WindowsMinorVersion >= 1);
        Balloons = recent ? kAvailable : kUnavailable;
    }

    if (Balloons == kAvailable) {
        wchar_t tip[128];
        CopyCut(tip, data.szTip);
        const wchar_t* shown = text ? text : tip;
        const bool show = *shown && title && *title;
        data.uFlags |= NIF_INFO;
        CopyCut(data.szInfo, show ? shown : L"");
        CopyCut(data.szInfoTitle, show ? title : L"");
        data.dwInfoFlags = balloonFlags;
        data.uTimeout = timeoutMs;
    } else {
        data.uFlags &= ~static_cast<UINT>(NIF_INFO);
    }
    BOOL done = Shell_NotifyIconW(mode, &data);

    if (firstUse && Balloons == kAvailable) {
        data.uVersion = NOTIFYICON_VERSION;
        Shell_NotifyIconW(NIM_SETVERSION, &data);
        data.uTimeout = timeoutMs;
    }
    return done;
}

} // namespace

BOOL NotifyIconWithBalloon(DWORD mode, NOTIFYICONDATAW& data, UINT timeoutMs, const wchar_t* text,
                           const wchar_t* title, DWORD balloonFlags) {
    AcquireSRWLockExclusive(&TrayLock);
    BOOL done = NotifyIconLocked(mode, data, timeoutMs, text, title, balloonFlags);
    ReleaseSRWLockExclusive(&TrayLock);
    return done;
}

int ShowTrayBalloon(const wchar_t* title, const wchar_t* text, bool addIcon, HICON icon, DWORD balloonFlags) {
    AcquireSRWLockExclusive(&TrayLock);
    NOTIFYICONDATAW& data = TrayIconData();
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = MainWindow.load();
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.hIcon = icon ? icon : ProgramIcon;
    const size_t length = text ? wcsnlen(text, 128) : 0;
    CopyCut(data.szTip, length < 128 ? text : L"");
    Shell_NotifyIconW(addIcon ? NIM_ADD : NIM_MODIFY, &data);

    const bool balloon = text && *text && title && *title;
    if (balloon)
        NotifyIconLocked(NIM_MODIFY, data, 5000, text, title, balloonFlags);
    else
        NotifyIconLocked(NIM_MODIFY, data, 0, nullptr, nullptr, balloonFlags);
    ReleaseSRWLockExclusive(&TrayLock);
    return balloon ? 1 : 0;
}
