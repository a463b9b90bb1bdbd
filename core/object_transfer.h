// One embedded-object transfer job: made on the heap by the command that starts it and owned by
// the peer thread it is handed to, which frees it at the end.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

struct ObjectTransfer {
    uint8_t Ipv6 = 0;
    std::wstring Path; // the file sent, or the file to write (its name a plain base name)
    uint32_t Port = 0;
    SOCKET Socket = INVALID_SOCKET;
    std::string PeerHost;       // receiving: the sender's address text
    uint64_t Size = 0;          // receiving: the announced size
    uint32_t Crc = 0;           // the file's CRC-32, as announced
    uint8_t InsertIntoView = 0; // receiving: an object file goes into the target view
    HWND TargetView = nullptr;  // receiving: the view of the window the offer came to
};
