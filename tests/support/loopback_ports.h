// Loopback ports for the tests' servers and peers.
#pragma once

#include <cstdint>

// A port no socket holds on 127.0.0.1 right now (the system picks it).
uint16_t FreeLoopbackPort();
// True when nothing listens or is bound on the port (any address).
bool IsPortFree(uint16_t port);
