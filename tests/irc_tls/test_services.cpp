// The connection alone: what it calls above it is recorded.
#include "tests/recorders/recorders.h"

void InstallTestServices() {
    InstallConnectionRecorders();
}
