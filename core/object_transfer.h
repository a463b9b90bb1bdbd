// Embedded objects offered to and received from other users: the job handed to the threads that
// serve or fetch one, and the table of listening sockets the program opened for its offers.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

// Made on the heap by the command that starts the work and owned by the thread that takes it.
struct ObjectTransfer {
    uint8_t IsIPv6 = 0;
    std::wstring Path;
    uint32_t Port = 0;
    SOCKET Socket = 0;
    std::string PeerHost;
    uint64_t Size = 0;
    uint32_t Crc = 0;
    uint8_t InsertIntoView = 0;
    HWND TargetView = nullptr;
};

// The named event the object-accept thread sets once it listens (or failed to).
constexpr wchar_t kObjectAcceptEventName[] = L"Brindlex 7 ObjectAcceptEvent";

// The listening sockets of object offers, by the serving thread's id. The accept thread publishes
// its socket before it sets the event and withdraws it before it closes the socket; a kill closes
// only a socket found here, so no number typed into a line can close another socket.
void PublishObjectOffer(DWORD threadId, SOCKET socket);
// True when the entry was still there: the thread then closes the socket itself. False when a
// kill closed it already.
bool WithdrawObjectOffer(DWORD threadId);
// The socket the thread published; INVALID_SOCKET when it has none.
SOCKET ObjectOfferSocket(DWORD threadId);
// Closes the socket when the thread published exactly that one and still serves; true then.
bool KillObjectOffer(SOCKET socket, DWORD threadId);
