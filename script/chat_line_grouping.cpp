#include "script/chat_line_grouping.h"

#include "shell/window_record.h"

bool IsGroupedChatLine(const WindowRecord* window, const std::wstring&) {
    if (!window || window->CurSender != window->PrevSender) return false;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now.wHour == window->LastLineTime.wHour && now.wMinute == window->LastLineTime.wMinute;
}
