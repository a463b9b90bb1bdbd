// The command interpreter and the input dispatcher; the scripts, windows and views are recorded.
#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "core/client_services.h"
#include "shell/preferences/http_download.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    Services().Commands = {.ProcessInputLine = &commands::ProcessInputLine,
                           .ExecuteInputText = &commands::ExecuteInputText,
                           .ExecuteCommand = &commands::ExecuteCommand};
    InstallActiveWindowRecorder();
    InstallEventFormatRecorder();
    InstallSpeechRecorder();
    InstallTriggerWorkerRecorder();
    InstallActivationRecorders();
    InstallDisconnectRecorder();
    InstallPrinterRecorder();
    InstallPluginRecorders();
    InstallEventScriptRecorder();
    InstallScriptRunRecorder();
    InstallViewStateRecorders();
    InstallSaveDialogRecorder();
    InstallDccOfferRecorders();
    InstallObjectRecorders();
    InstallMediaRecorder();
    Services().Windows.StartDownload = &shell::StartDownload;
}
