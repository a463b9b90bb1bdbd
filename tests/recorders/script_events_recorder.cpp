// Records event scripts fired while the script engine is not linked.
#include "script/event_scripts.h"
#include "tests/recorders/call_log.h"

uint32_t RunEventScript(const char* eventName, WindowRecord* window, WindowRecord*,
                        const std::string& parameters, std::string&, uint8_t checkOnly) {
    RecordedCall call{"RunEventScript", window, std::string(eventName ? eventName : "") + " " + parameters,
                      checkOnly};
    CallLog& log = CallLog::Instance();
    log.Add(call);
    return log.Answer ? static_cast<uint32_t>(log.Answer(call)) : kNoEventScript;
}
