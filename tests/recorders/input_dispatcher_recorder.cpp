// Records the lines said in windows while the input-line dispatcher is not linked. A test's
// answer function is called with each line, so it can act as the dispatcher would.
#include "commands/input_dispatcher.h"
#include "common/xstring.h"
#include "tests/recorders/call_log.h"

void ProcessInputLine(const char* line, WindowRecord* window, uint8_t noTriggers, uint64_t, uint64_t) {
    RecordedCall call{"ProcessInputLine", window, line ? line : "", noTriggers};
    CallLog& log = CallLog::Instance();
    log.Add(call);
    if (log.Answer) log.Answer(call);
}

void ExecuteInputText(WindowRecord* window, const std::wstring& text, uint8_t noTriggers, uint8_t, uint8_t) {
    CallLog::Instance().Add({"ExecuteInputText", window, WideToNarrow(text), noTriggers});
}
