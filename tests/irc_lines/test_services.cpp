// The server-line handlers with the shell's tabs and titles; everything else above them recorded.
#include "core/client_services.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallClientServices();
    InstallActiveWindowRecorder();
    InstallEventFormatRecorder();
    InstallMenuLabelRecorder();
    InstallDccOfferRecorders();
    InstallPrinterRecorder();
    InstallPluginRecorders();
    InstallEventScriptRecorder();
    InstallScriptRunRecorder();
    InstallInputRecorders();
    InstallPromptRecorder();
    InstallDisconnectRecorder();
}
