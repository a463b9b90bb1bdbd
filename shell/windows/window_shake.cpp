#include "shell/windows/window_shake.h"

#include "common/app_state.h"
#include "core/client_services.h"
#include "shell/windows/active_window.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>

namespace {

constexpr ULONGLONG kShakeGapMs = 30000;
std::atomic<ULONGLONG> LastShake{0};

} // namespace

unsigned __stdcall shell::ShakeWindowThread(void* childWindow) {
    const ULONGLONG now = GetTickCount64();
    ULONGLONG last = LastShake.load();
    if (last && now - last < kShakeGapMs) return 0;
    if (!LastShake.compare_exchange_strong(last, now)) return 0;

    HWND frame = MainWindow.load();
    if (!shell::IsAppForeground()) {
        FLASHWINFO flash{sizeof flash, frame, FLASHW_ALL, 3, 0};
        FlashWindowEx(&flash);
        return 0;
    }
    HWND window = static_cast<HWND>(childWindow);
    if (!IsWindow(window)) return 0;
    const bool maximised = IsZoomed(window) != FALSE;
    if (maximised) ShowWindow(window, SW_RESTORE);
    RECT rect;
    GetWindowRect(window, &rect);
    POINT origin{rect.left, rect.top};
    if (HWND parent = GetParent(window)) ScreenToClient(parent, &origin);
    for (int i = 0; i < 71; ++i) {
        SetWindowPos(window, nullptr, origin.x + 5 - rand() % 10, origin.y + 5 - rand() % 10, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (maximised) ShowWindow(window, SW_MAXIMIZE);
    return 0;
}
