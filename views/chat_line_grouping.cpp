#include "views/chat_line_grouping.h"

#include "core/window_record.h"

namespace {

SYSTEMTIME Now() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
}

} // namespace

bool IsGroupedChatLine(const WindowRecord* window, const std::wstring& sender) {
    return IsGroupedChatLine(window, sender, Now());
}

bool IsGroupedChatLine(const WindowRecord* window, const std::wstring& sender, const SYSTEMTIME& time) {
    if (!window || sender != window->PrevSender) return false;
    return time.wHour == window->LastLineTime.wHour && time.wMinute == window->LastLineTime.wMinute;
}

void NoteChatLineSender(WindowRecord* window, const std::wstring& sender) {
    NoteChatLineSender(window, sender, Now());
}

void NoteChatLineSender(WindowRecord* window, const std::wstring& sender, const SYSTEMTIME& time) {
    if (!window) return;
    window->CurSender = sender;
    window->PrevSender = sender;
    window->LastLineTime = time;
}
