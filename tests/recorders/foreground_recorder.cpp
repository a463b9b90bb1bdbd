// Answers whether the program is in front while the shell's windows are not linked: no,
// unless the test answers otherwise.
#include "shell/active_window.h"
#include "tests/recorders/call_log.h"

bool IsAppForeground() {
    RecordedCall call{"IsAppForeground", nullptr, {}, 0};
    CallLog& log = CallLog::Instance();
    log.Add(call);
    return log.Answer ? log.Answer(call) != 0 : false;
}
