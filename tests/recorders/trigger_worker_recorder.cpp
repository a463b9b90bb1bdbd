// The typed-command trigger worker while the script engine is not linked: no trigger script
// exists, so, like the worker, it sends the line without its "/" to the server. After sending it
// records the line with the id of the thread it ran on.
#include <windows.h>

#include "common/text_split.h"
#include "irc/send_path.h"
#include "script/event_scripts.h"
#include "tests/recorders/call_log.h"

#include <memory>

unsigned __stdcall RunTriggerScriptThread(void* argument) {
    std::unique_ptr<ScriptTriggerJob> job(static_cast<ScriptTriggerJob*>(argument));
    std::string line = job->Line;
    TrimStringCrLf(line);
    if (line.size() > 1) SendServerLine(line.substr(1) + "\r\n", job->Window, 0);
    CallLog::Instance().Add({"RunTriggerScriptThread", job->Window, job->Line, GetCurrentThreadId()});
    return 0;
}
