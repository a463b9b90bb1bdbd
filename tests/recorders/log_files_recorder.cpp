// Records the log lines the line printer writes, for tests that check when it logs.
#include "common/xstring.h"
#include "shell/log_files.h"
#include "tests/recorders/call_log.h"

void WriteLogLine(WindowRecord* record, const wchar_t* text) {
    if (text) CallLog::Instance().Add({"WriteLogLine", record, WideToNarrow(text), 0});
}

void WriteLogLine(WindowRecord* record, int32_t marker) {
    CallLog::Instance().Add(
        {"WriteLogLine", record, {}, static_cast<uint64_t>(static_cast<int64_t>(marker))});
}
