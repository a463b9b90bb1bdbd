#include "shell/frame/front_after_storm.h"

#include "core/open_chat_window.h"
#include "shell/chats/chat_window.h"
#include "core/window_record.h"
#include "shell/windows/active_window.h"
#include "shell/windows/window_operations.h"

#include <cstdint>
#include <utility>

namespace {

HWND g_window = nullptr;
HWND g_front = nullptr; // in front when the storm began
uint64_t g_serial = 0;
UINT_PTR g_timer = 0;

void CALLBACK StormCheck(HWND, UINT, UINT_PTR, DWORD) {
    const uint64_t asked = LastWindowRequestTick();
    if (asked && GetTickCount64() - asked < kWindowStormQuietMs) return;
    KillTimer(nullptr, g_timer);
    g_timer = 0;
    HWND window = std::exchange(g_window, nullptr);
    // A window that closed meanwhile, or whose handle another window took, stays out of it.
    WindowRecord* record = ListedChatRecord(window);
    const WindowRecord* active = shell::GetActiveWindowRecord();
    if (record && record->Serial == g_serial && active && active->Window == g_front)
        shell::ActivateWindowRecord(record);
}

} // namespace

void BringInFrontAfterStorm(HWND child, HWND front) {
    auto* record = child ? reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(child, GWLP_USERDATA)) : nullptr;
    if (!record) return;
    if (!g_window) g_front = front;
    g_window = child;
    g_serial = record->Serial;
    if (!g_timer) g_timer = SetTimer(nullptr, 0, static_cast<UINT>(kWindowStormQuietMs), StormCheck);
}
