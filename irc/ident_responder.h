// The ident responder (port 113) that lives while a server connection is being made.
#pragma once

#include <cstdint>

// Thread procedure; the argument is the server window's record. Signals the named event
// "Brindlex 7 Ident Event" once it listens or has given up.
unsigned __stdcall IdentListenerThread(void* windowRecord);
