// The printer and the shell's windows for real; scripts, plug-ins, logs and pictures recorded.
#include "core/client_services.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallClientServices();
    InstallEventScriptRecorder();
    InstallPluginRecorders();
    InstallShakeRecorder();
    InstallLogRecorder();
    InstallPictureRecorder();
}
