// The peer library for real, printing into the test's view through the real printer.
#include "core/client_services.h"
#include "peer/embedded_objects.h"
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    ClearClientServices();
    Services().Peer = {.InsertImageIntoRichEdit = &peer::InsertImageIntoRichEdit};
}
