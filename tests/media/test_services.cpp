// Voice, media and speech for real over the shell's services; the printer, event scripts, typed
// lines and the active window are recorded.
#include "core/client_services.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/call_log.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallClientServices();
    InstallPrinterRecorder();
    InstallEventFormatRecorder();
    InstallEventScriptRecorder();
    InstallActiveWindowRecorder();
    InstallActivationRecorders();
    Services().Commands.ProcessInputLine = [](const char* line, WindowRecord* window, InputOptions options) {
        CallLog::Instance().Add({"ProcessInputLine", window, line ? line : "", options.NoTriggers ? 1u : 0u});
    };
}
