#include "shell/chats/window_removal.h"

#include "common/app_state.h"
#include "common/window_helpers.h"
#include "core/frame_handles.h"
#include "shell/menus/main_menu.h"
#include "core/window_list.h"

void RemoveWindowRecord(WindowRecord* record) {
    if (!EraseWindowRecord(record)) return;
    {
        WindowListReadLock lock(WindowListMutex());
        if (!WindowList.empty()) return;
    }
    if (HWND panel = StartPanelWindow.load()) {
        ShowWindow(panel, SW_SHOW);
        RepaintWindow(panel);
    }
    HWND frame = MainWindow.load();
    if (frame) SendMessageW(frame, WM_SIZE, 0, 0);
    UpdateMainMenu(kNoWindowType, frame, kNoPluginMenuEntry);
}
