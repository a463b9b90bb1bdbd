// The connection, the commands and the script engine together; the windows and views are recorded.
#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "core/client_services.h"
#include "script/event_scripts.h"
#include "script/script_interpreter.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    Services().Commands = {.ProcessInputLine = &commands::ProcessInputLine,
                           .ExecuteInputText = &commands::ExecuteInputText,
                           .ExecuteCommand = &commands::ExecuteCommand};
    Services().Scripts = {.RunEventScript = &script::RunEventScript,
                          .RunTriggerScriptThread = &script::RunTriggerScriptThread,
                          .ExecuteScript = &script::ExecuteScript};
    InstallActiveWindowRecorder();
    InstallEventFormatRecorder();
    InstallSpeechRecorder();
    InstallActivationRecorders();
    InstallPrinterRecorder();
    InstallPluginRecorders();
    InstallDisconnectRecorder();
    InstallPromptRecorder();
}
