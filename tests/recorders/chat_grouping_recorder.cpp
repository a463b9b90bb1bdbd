// Answers whether a chat line is grouped while the script engine is not linked: no, unless the
// test answers otherwise.
#include "script/chat_line_grouping.h"
#include "tests/recorders/call_log.h"

bool IsGroupedChatLine(const WindowRecord* window, const std::wstring&) {
    RecordedCall call{"IsGroupedChatLine", const_cast<WindowRecord*>(window), {}, 0};
    CallLog& log = CallLog::Instance();
    log.Add(call);
    return log.Answer ? log.Answer(call) != 0 : false;
}
