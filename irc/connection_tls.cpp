#include "irc/connection_tls.h"

#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "irc/tls_socket.h"
#include "core/client_services.h"

#include <memory>
#include <exception>

int StartConnectionTls(WindowRecord* window, ServerConnection* connection) {
    if (!connection) return -1;
    const SOCKET socket = connection->Socket.load();
    if (!socket) return -1;
    try {
        auto tls = std::make_shared<TlsSocket>(socket, kTlsClient, nullptr, &connection->WriteLock);
        SetTlsTargetName(tls.get(), NarrowToWide(connection->Host).c_str());
        if (TlsClientStart(tls.get(), 0) < 0) return -1;
        {
            std::lock_guard<std::mutex> guard(connection->WriteLock);
            // The session ended while shaking hands: its socket is no longer the connection's.
            if (connection->Socket.load() != socket) return -1;
            connection->Tls = tls;
        }
        ReportSslCertificate(window, tls.get());
        PrintToWindow(kInformationLine, window, GetLangString(kTlsReadyText));
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}
