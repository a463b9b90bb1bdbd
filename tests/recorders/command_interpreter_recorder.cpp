// Records "/" commands while the command interpreter is not linked; no command is known
// unless the test answers otherwise.
#include "commands/command_interpreter.h"
#include "tests/recorders/call_log.h"

uint64_t ExecuteCommand(const char* line, WindowRecord* connectionWindow, WindowRecord*, wchar_t*) {
    RecordedCall call{"ExecuteCommand", connectionWindow, line ? line : "", 0};
    CallLog& log = CallLog::Instance();
    log.Add(call);
    return log.Answer ? log.Answer(call) : 0;
}
