// The script engine with what it calls above it recorded.
#include "core/client_services.h"
#include "script/event_scripts.h"
#include "script/script_interpreter.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    Services().RunEventScript = &script::RunEventScript;
    Services().RunTriggerScriptThread = &script::RunTriggerScriptThread;
    Services().ExecuteScript = &script::ExecuteScript;
    InstallPrinterRecorder();
    InstallInputRecorders();
    InstallForegroundRecorder();
    InstallPromptRecorder();
    InstallListPromptRecorder();
    InstallDisconnectRecorder();
    InstallPluginRecorders();
}
