// Port mappings on the router for a listening transfer, removed again when qx ends.
#pragma once

#include <cstdint>

// mode 0 adds a TCP or UDP mapping of the port to the client (null: this computer's first
// address); any other mode removes it. True when the router took the call.
bool UpnpPortMapping(uint32_t port, int mode, const wchar_t* client, const wchar_t* protocol);
// Removes every mapping this process added.
void RemoveUpnpMappings();
