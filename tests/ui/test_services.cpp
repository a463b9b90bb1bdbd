// The window chrome for real; what it asks of the layers above is recorded.
#include "core/client_services.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    ClearClientServices();
    InstallInputRecorders();
    InstallInputScriptRecorder();
}
