#include "irc/receive_loop.h"

#include "irc/line_dispatch.h"
#include "irc/server_connection.h"
#include "irc/tls_socket.h"
#include "core/client_services.h"
#include "core/window_record.h"

#include <winsock2.h>

#include <memory>
#include <mutex>

void ServerReceiveLoop(WindowRecord* record) {
    ServerConnection& connection = *record->Connection;
    const uint32_t generation = connection.Generation.load();
    const SOCKET socket = connection.Socket.load();
    std::shared_ptr<TlsSocket> tls;
    if (connection.UseTls) {
        std::lock_guard<std::mutex> lock(connection.WriteLock);
        tls = connection.Tls;
        // A TLS connection without its session never reads plain text.
        if (!tls) return;
    }
    ReceiveBuffer buffer;
    // A read of 0 (closed) or an error ends the loop, and so does a socket that the disconnect
    // routine took away between two reads. A TLS record without application data gives 0 and
    // is read past.
    while (socket && connection.Socket.load() == socket) {
        const int got = tls ? TlsRecv(tls.get(), buffer.ReadSpace(), static_cast<int>(kReceiveReadSize))
                            : recv(socket, buffer.ReadSpace(), static_cast<int>(kReceiveReadSize), 0);
        if (tls && got == 0) continue;
        if (got <= 0) break;
        buffer.Commit(static_cast<size_t>(got),
                      [record](const std::string& line) { HandleServerLine(line, record); });
    }
    // A line handler that restarted the connection already ended this session; the socket
    // field now belongs to the next attempt.
    if (connection.Generation.load() == generation) OnServerDisconnected(record, 0);
}
