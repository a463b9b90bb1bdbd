// Port mappings on the user's router through the Windows UPnP NAT interface. Every call fails
// cleanly (false) when there is no gateway or no UPnP service.
#pragma once

#include <cstdint>

enum UpnpMode : uint32_t {
    kUpnpAdd = 0,
    kUpnpRemove = 1,
    kUpnpExternalAddress = 2,
};

// Add: maps the port (external = internal) for the protocol to the client (null: this
// machine's first IPv4 address), once per run. Remove: removes the port's mapping and forgets
// the port. External address: writes the router's external address into the 1000-character
// buffer given as protocolOrBuffer. True on success.
bool UpnpPortMapping(uint32_t port, uint32_t mode, const wchar_t* internalClient, wchar_t* protocolOrBuffer);
bool IsPortMapped(uint32_t port);
// At shutdown: removes the mapping of every port mapped in this run, in order.
void RemoveUpnpMappings();
