#include "views/chat_line_grouping.h"

#include "core/window_record.h"

bool IsGroupedChatLine(const WindowRecord* window, const std::wstring& sender) {
    if (!window || sender != window->PrevSender) return false;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now.wHour == window->LastLineTime.wHour && now.wMinute == window->LastLineTime.wMinute;
}

void NoteChatLineSender(WindowRecord* window, const std::wstring& sender) {
    if (!window) return;
    window->CurSender = sender;
    window->PrevSender = sender;
    GetLocalTime(&window->LastLineTime);
}
