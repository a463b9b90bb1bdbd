#include "shell/windows/active_window.h"

#include "common/app_state.h"
#include "core/frame_handles.h"
#include "core/window_list.h"

namespace {

WindowRecord* RecordOfWindowLocked(HWND window) {
    for (WindowRecord* r : WindowList)
        if (r->Window == window) return r;
    return nullptr;
}

} // namespace

WindowRecord* shell::GetActiveWindowRecord() {
    HWND foreground = GetForegroundWindow();
    if (foreground) {
        WindowListReadLock lock(WindowListMutex());
        if (WindowRecord* r = RecordOfWindowLocked(foreground)) return r;
    }
    HWND client = MdiClientWindow.load();
    if (!client) return nullptr;
    HWND child = reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, 0));
    if (!child) return nullptr;
    auto* record = reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(child, GWLP_USERDATA));
    // The user data of a child that is being created or closed is not a listed record yet.
    return IsWindowRecordListed(record) ? record : nullptr;
}

uint32_t GetActiveWindowIndex() {
    return GetWindowRecordIndex(shell::GetActiveWindowRecord());
}

bool shell::IsAppForeground() {
    HWND foreground = GetForegroundWindow();
    if (!foreground) return false;
    if (foreground == MainWindow.load()) return true;
    WindowListReadLock lock(WindowListMutex());
    return RecordOfWindowLocked(foreground) != nullptr;
}
