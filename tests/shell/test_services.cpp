// The shell with every real owner but the printer, the input dispatcher and the event scripts; a
// line the real dispatcher is handed stops at its "On_Input" step, where it is recorded.
#include "core/client_services.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallClientServices();
    InstallPrinterRecorder();
    InstallInputRecorders();
    InstallInputScriptRecorder();
}
