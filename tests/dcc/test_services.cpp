// The DCC handling for real (offers, chats, the send dialog) over the shell's services; the
// printer, event formats, scripts and typed lines are recorded.
#include "core/client_services.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallClientServices();
    InstallActiveWindowRecorder();
    InstallEventFormatRecorder();
    InstallMenuLabelRecorder();
    InstallPrinterRecorder();
    InstallPluginRecorders();
    InstallInputScriptRecorder();
    InstallScriptRunRecorder();
    InstallInputRecorders();
    InstallDisconnectRecorder();
}
