// The frame with every real owner, as the program installs them.
#include "core/client_services.h"
#include "shell/client_services_install.h"

void InstallTestServices() {
    InstallClientServices();
}
