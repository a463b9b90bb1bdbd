// Records lines for the custom-drawn view while the connection code that owns it is not linked.
#include "common/xstring.h"
#include "irc/custom_view_lines.h"
#include "tests/recorders/call_log.h"

void AppendViewLine(WindowRecord* record, const std::wstring& text, uint32_t kind) {
    CallLog::Instance().Add({"AppendViewLine", record, WideToNarrow(text), kind});
}

void FormatViewEventLine(WindowRecord* record, uint32_t kind, const std::string& line,
                         const std::vector<std::string>&, const UserAddress&) {
    CallLog::Instance().Add({"FormatViewEventLine", record, line, kind});
}
