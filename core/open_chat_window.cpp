#include "core/open_chat_window.h"

#include "common/app_state.h"
#include "core/frame_message_ids.h"

WindowRecord* OpenChatWindow(WindowRecord* server, uint32_t type, const std::string& name, uint8_t flag,
                             bool keepFront) {
    HWND frame = MainWindow.load();
    if (!frame) return nullptr;
    OpenChatWindowRequest request{server, type, name, flag};
    const auto child = reinterpret_cast<HWND>(
        SendMessageW(frame, WM_OPEN_CHAT_WINDOW, keepFront ? 1 : 0, reinterpret_cast<LPARAM>(&request)));
    if (!child) return nullptr;
    return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(child, GWLP_USERDATA));
}
