#include "common/command_guards.h"

#include "common/app_state.h"
#include "common/frame_messages.h"
#include "common/refusal.h"

void RequireNonNegative(int32_t value) {
    if (value < 0) throw static_cast<int>(kRefused);
}

void ForwardToInterfaceThread(WPARAM wParam, LPARAM lParam) {
    if (OnInterfaceThread()) return;
    SendMessageW(MainWindow.load(), WM_INSERT_IMAGE, wParam, lParam);
    throw static_cast<int>(kForwardedToUiThread);
}
