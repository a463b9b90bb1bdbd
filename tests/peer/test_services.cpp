// The peer library for real; what it prints is recorded.
#include "core/client_services.h"
#include "peer/embedded_objects.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    ClearClientServices();
    InstallPrinterRecorder();
    Services().Peer = {.InsertImageIntoRichEdit = &peer::InsertImageIntoRichEdit};
}
