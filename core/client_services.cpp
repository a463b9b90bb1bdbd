#include "core/client_services.h"

#include "core/object_transfer.h"

ClientServices ProcessClientServices;

bool StartObjectOfferUnowned(ObjectTransfer* job) {
    delete job;
    return false;
}

bool StartObjectFetchUnowned(ObjectTransfer* job) {
    delete job;
    return false;
}
