// The writer of a server session: a thread of its own that alone writes the session's socket.
// Senders hand it bytes and return at once, so no thread that sends (the interface thread least
// of all) ever waits on a server that stops reading. A server that takes nothing for the stall
// limit while bytes wait gets the failure line and the disconnect routine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ServerConnection;
struct WindowRecord;

// Starts the writer of the record's connection for its current socket, once that socket is
// connected (through its proxy and TLS handshake, when it has them). The address text and port
// fill the failure line. False when the session already ended or no thread could start.
bool StartSessionWriter(WindowRecord* record, const std::wstring& address, uint16_t port);

// Appends bytes to what the session's writer has to write and wakes it. False when the
// connection has no live writer: no session, or a session whose writer gave up.
bool HandToWriter(ServerConnection& connection, std::string_view bytes);

// Waits at most waitMs for the session's writer to write what it holds, so a "QUIT" handed
// over just before the user ends the session still leaves.
void DrainSessionWriter(ServerConnection& connection, uint32_t waitMs);

// Tells the session's writer that its session ended; its pending bytes are dropped. The writer
// leaves any write under way at once; its thread is waited for with the connection's others.
void StopSessionWriter(ServerConnection& connection);
