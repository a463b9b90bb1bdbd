// One DCC chat connection, owned by the record of its DCC chat window.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>

class TlsSocket;
struct WindowRecord;

struct DccConnection {
    // Both names empty, the owner kept, flags, handles, socket and pointers 0.
    explicit DccConnection(WindowRecord* owner);
    // Frees the certificate, closes the store and runs OnDccChatDisconnected for the owner, so
    // closing the window ends the chat thread and fires "On_DCC_Disconnect".
    ~DccConnection();
    DccConnection(const DccConnection&) = delete;
    DccConnection& operator=(const DccConnection&) = delete;

    std::string LocalName; // stands for the own nick in this window
    std::string PeerName;
    uint32_t Direction = 0; // 0 listen for the peer, 1 connect to it
    uint8_t UseTls = 0;
    TlsSocket* Tls = nullptr;
    HCERTSTORE CertificateStore = nullptr;
    PCCERT_CONTEXT Certificate = nullptr;
    uint8_t IsIPv6 = 0;
    uint32_t Port = 0;
    std::string PeerHost;
    SOCKET Socket = 0;
    HANDLE ChatThread = nullptr;
    WindowRecord* Owner = nullptr;
};

// What a DCC chat connection starts from: who dials whom, where, and the names on each side.
struct DccChatSetup {
    uint32_t Direction = 0; // 0 listen, 1 connect
    uint8_t UseTls = 0;
    uint8_t IsIPv6 = 0;
    uint32_t Port = 0;
    std::string PeerHost;
    std::string LocalName;
    std::string PeerName;
};

// Gives the chat window its connection and starts the chat thread on it.
void StartDccChatThread(WindowRecord* chat, const DccChatSetup& setup);
