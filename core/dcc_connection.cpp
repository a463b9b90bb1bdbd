#include "core/dcc_connection.h"

#include "core/client_services.h"
#include "core/window_record.h"

#include <process.h>

DccConnection::DccConnection(WindowRecord* owner) : Owner(owner) {}

DccConnection::~DccConnection() {
    if (Certificate) CertFreeCertificateContext(Certificate);
    if (CertificateStore) CertCloseStore(CertificateStore, 0);
    // Ends the chat thread (by closing its socket and waiting) and fires "On_DCC_Disconnect".
    OnDccChatDisconnected(Owner, this);
}

void StartDccChatThread(WindowRecord* chat, const DccChatSetup& setup) {
    auto* dcc = new DccConnection(chat);
    dcc->Direction = setup.Direction;
    dcc->UseTls = setup.UseTls;
    dcc->IsIPv6 = setup.IsIPv6;
    dcc->Port = setup.Port;
    dcc->PeerHost = setup.PeerHost;
    dcc->LocalName = setup.LocalName;
    dcc->PeerName = setup.PeerName;
    chat->Dcc = dcc;
    dcc->ChatThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &DccChatThread, chat, 0, nullptr));
}
