// Objects and files sent between users over TCP connections of their own: the raw bytes of the
// file, no header; the offer (sent through the server) announces the size and the CRC-32.
#pragma once

#include "core/client_services.h"

#include <windows.h>

#include <cstdint>

struct ObjectTransfer;

namespace peer {
// The thread procedures; each takes its job and frees it.
// Listens on the job's port (publishing the socket for "/sendobjectkill", then setting the event
// "Brindlex 7 ObjectAcceptEvent") and serves the file to every peer that connects, until no peer
// came for "Embedded_Objects_Timeout" seconds (1 to 300) or the offer is killed.
unsigned __stdcall ObjectAcceptThread(void* job);
unsigned __stdcall ObjectSendThread(void* job);
// Receives the offered file into the job's path. Only a file of the announced size and CRC is
// kept; an object file of an accepted class goes into the target view once the user agrees, and
// no received file is ever opened.
unsigned __stdcall ObjectReceiveThread(void* job);

// Whether objects of the class may be shown when they come from others: the class ids listed
// (blank-separated) in "Cfg\Options3\File_Transfers" "Allowed_Object_Classes".
bool IsAcceptedObjectClass(const CLSID& clsid);
} // namespace peer
