// Records plug-in events while the plug-in host is not linked; no plug-in consumes anything
// unless the test answers otherwise.
#include "commands/plugin_host.h"
#include "common/xstring.h"
#include "tests/recorders/call_log.h"

static uint64_t Record(RecordedCall call) {
    CallLog& log = CallLog::Instance();
    log.Add(call);
    return log.Answer ? log.Answer(call) : 0;
}

uint64_t BroadcastToPlugins(uint32_t code, void*) {
    return Record({"BroadcastToPlugins", nullptr, {}, code});
}

uint64_t NotifyPluginsServerLine(uint32_t windowIndex, const std::string& line) {
    return Record({"NotifyPluginsServerLine", nullptr, line, windowIndex});
}

uint64_t NotifyPluginsWindowText(const std::wstring& text, uint32_t windowIndex) {
    return Record({"NotifyPluginsWindowText", nullptr, WideToNarrow(text), windowIndex});
}
