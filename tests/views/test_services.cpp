// The printer, its highlight scripts and the shell's windows for real; event scripts called from
// below, the lines scripts type, plug-ins, logs and pictures recorded.
#include "core/client_services.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallClientServices();
    InstallEventScriptRecorder();
    InstallInputRecorders();
    InstallPluginRecorders();
    InstallShakeRecorder();
    InstallLogRecorder();
    InstallPictureRecorder();
}
