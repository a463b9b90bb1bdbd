// Records scripts run while the script engine is not linked; the result is the default result
// unless the test answers otherwise.
#include "script/script_interpreter.h"
#include "tests/recorders/call_log.h"

uint32_t ExecuteScript(uint32_t mode, WindowRecord* connectionWindow, WindowRecord*,
                       const std::string& script, const std::string& parameters, std::string&,
                       uint32_t defaultResult) {
    RecordedCall call{"ExecuteScript", connectionWindow, script + "|" + parameters, mode};
    CallLog& log = CallLog::Instance();
    log.Add(call);
    return log.Answer ? static_cast<uint32_t>(log.Answer(call)) : defaultResult;
}
