#include "core/dcc_connection.h"

#include "core/client_services.h"

DccConnection::DccConnection(WindowRecord* owner) : Owner(owner) {}

DccConnection::~DccConnection() {
    if (Certificate) CertFreeCertificateContext(Certificate);
    if (CertificateStore) CertCloseStore(CertificateStore, 0);
    // Ends the chat thread (by closing its socket and waiting) and fires "On_DCC_Disconnect".
    OnDccChatDisconnected(Owner, this);
}
