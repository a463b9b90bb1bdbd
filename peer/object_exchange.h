// Objects and files sent between users over TCP connections of their own: the raw bytes of the
// file, no header; the offer (sent through the server) announces the size and the CRC-32.
#pragma once

#include "core/client_services.h"

#include <windows.h>

#include <cstdint>

struct ObjectTransfer;

namespace peer {
// Listens on the job's port and serves the file to every peer that connects, until no peer came
// for "Embedded_Objects_Timeout" seconds (1 to 300) or the offer is ended.
bool StartObjectOffer(ObjectTransfer* job, uint64_t& socket, uint32_t& threadId);
bool EndObjectOffer(uint64_t socket, uint32_t threadId);
// Receives the offered file into the job's path. Only a file of the announced size and CRC is
// kept; an object file of an accepted class goes into the target view once the user agrees, and
// no received file is ever opened.
bool StartObjectFetch(ObjectTransfer* job);

// The thread procedures; each takes its job and frees it. An accept job whose socket is not yet
// listening binds the port itself and then signals "Brindlex 7 ObjectAcceptEvent".
unsigned __stdcall ObjectAcceptThread(void* job);
unsigned __stdcall ObjectSendThread(void* job);
unsigned __stdcall ObjectReceiveThread(void* job);

// Whether objects of the class may be shown when they come from others: the class ids listed
// (blank-separated) in "Cfg\Options3\File_Transfers" "Allowed_Object_Classes".
bool IsAcceptedObjectClass(const CLSID& clsid);
} // namespace peer
