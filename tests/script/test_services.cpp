// The script engine with what it calls above it recorded.
#include "core/client_services.h"
#include "script/event_scripts.h"
#include "script/script_interpreter.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    Services().Scripts = {.RunEventScript = &script::RunEventScript,
                          .RunTriggerScriptThread = &script::RunTriggerScriptThread,
                          .ExecuteScript = &script::ExecuteScript};
    InstallPrinterRecorder();
    InstallInputRecorders();
    InstallForegroundRecorder();
    InstallPromptRecorder();
    InstallListPromptRecorder();
    InstallDisconnectRecorder();
    InstallPluginRecorders();
}
