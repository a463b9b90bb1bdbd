// Records event lines being formatted while the chat views are not linked; the formatted line
// is the message itself.
#include "common/xstring.h"
#include "tests/recorders/call_log.h"
#include "views/event_format.h"

void FormatEventLine(WindowRecord* window, std::wstring& out, LineKind kind, const std::string& message,
                     const std::vector<std::string>& words, const UserAddress&) {
    CallLog::Instance().Add(
        {"FormatEventLine", window, (words.empty() ? "" : words[0]) + "|" + message, kind});
    out = NarrowToWide(message);
}
