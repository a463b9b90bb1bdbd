#include "views/view_redraw.h"

#include <richedit.h>

#include <algorithm>
#include <vector>

namespace {

constexpr UINT kRedrawDelayMs = 50;

struct ThreadViews {
    std::vector<HWND> Views;
    UINT_PTR Timer = 0;
};

thread_local ThreadViews t_deferred;

void CALLBACK RedrawTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    FlushDeferredRedraws();
}

} // namespace

void DeferViewRedraw(HWND view) {
    if (!view || !IsWindowVisible(view)) return;
    std::vector<HWND>& views = t_deferred.Views;
    if (std::find(views.begin(), views.end(), view) != views.end()) return;
    SendMessageW(view, WM_SETREDRAW, FALSE, 0);
    views.push_back(view);
    if (!t_deferred.Timer) t_deferred.Timer = SetTimer(nullptr, 0, kRedrawDelayMs, RedrawTimerProc);
}

void FlushDeferredRedraws() {
    if (t_deferred.Timer) {
        KillTimer(nullptr, t_deferred.Timer);
        t_deferred.Timer = 0;
    }
    std::vector<HWND> views;
    views.swap(t_deferred.Views);
    for (HWND view : views) {
        if (!IsWindow(view)) continue;
        SendMessageW(view, WM_SETREDRAW, TRUE, 0);
        SendMessageW(view, EM_SCROLLCARET, 0, 0);
        InvalidateRect(view, nullptr, TRUE);
    }
}
