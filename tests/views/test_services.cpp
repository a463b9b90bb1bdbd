// The printer, its highlight scripts, the plug-in host (with the test plug-in, see
// views_test_support.cpp) and the shell's windows for real; event scripts called from below, the
// lines scripts type, logs and pictures recorded.
#include "core/client_services.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallClientServices();
    InstallEventScriptRecorder();
    InstallInputRecorders();
    InstallShakeRecorder();
    InstallLogRecorder();
    InstallPictureRecorder();
}
