// The frame with every real owner, as the program installs them; the preferences window, which
// the connect dialog opens, is recorded with the section it would open at.
#include "core/client_services.h"
#include "shell/startup/client_services_install.h"
#include "tests/recorders/call_log.h"

void InstallTestServices() {
    InstallClientServices();
    Services().Dialogs.OpenPreferences = [](const std::string& section) {
        CallLog::Instance().Add({"OpenPreferences", nullptr, section, 0});
    };
}
