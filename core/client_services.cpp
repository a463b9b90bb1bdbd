#include "core/client_services.h"

ClientServices ProcessClientServices;
