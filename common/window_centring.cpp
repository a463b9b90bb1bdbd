#include "common/window_centring.h"

#include "common/app_state.h"

#include <algorithm>

namespace {

// Whether this thread's awaited box was centred; a box opened from inside a box waits anew.
thread_local bool g_centred = false;

LRESULT CALLBACK CentreOnActivate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && !g_centred) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (wcscmp(className, L"#32770") == 0) {
            g_centred = true;
            CentreOnFrameOrScreen(window);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void CentreOnFrameOrScreen(HWND window) {
    RECT box{};
    if (!GetWindowRect(window, &box)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT over = monitor.rcWork;
    HWND frame = MainWindow.load();
    if (frame && frame != window && IsWindowVisible(frame) && !IsIconic(frame)) GetWindowRect(frame, &over);
    const int width = box.right - box.left, height = box.bottom - box.top;
    const RECT& work = monitor.rcWork;
    int x = over.left + (over.right - over.left - width) / 2;
    int y = over.top + (over.bottom - over.top - height) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CentreNextBox::CentreNextBox()
    : hook_(SetWindowsHookExW(WH_CBT, CentreOnActivate, nullptr, GetCurrentThreadId())) {
    g_centred = false;
}

CentreNextBox::~CentreNextBox() {
    if (hook_) UnhookWindowsHookEx(hook_);
}
