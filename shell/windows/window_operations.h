// Operations of the shell on window records that the connection and script code call from any
// thread.
#pragma once

#include "core/client_services.h"

#include <cstdint>

struct WindowRecord;

namespace shell {
// The disconnect routine. When the record has a connection, its window still exists and the
// connection's socket is open: ends the session through EndServerSession (irc/server_session.h),
// which lets exactly one caller through per session; that caller keeps the by-user flag, runs
// "On_Disconnect" with the host and prints language string 53, also into every channel and query
// of a registered session (whose channels then list no one). When not by the user and not inside
// a start of the connection, the reconnect counter grants a try (10 or more becomes 1; 1 to 4
// count up; 0 and 5 to 9 stay closed), which waits its turn (shell/server_reconnect.h).
// Otherwise nothing happens, so a second call for the same drop is harmless; a call by the user
// still calls off a try that waits.
void OnServerDisconnected(WindowRecord* record, DisconnectOptions options = {});
} // namespace shell

struct DccConnection;

namespace shell {
// Brings the record's window to the front (nothing for null): activates its MDI child, or makes
// a detached child the foreground window, and resumes output that scrolling paused.
void ActivateWindowRecord(WindowRecord* record);
// Ends a DCC chat: frees its TLS session, closes its socket (the field becomes 0), ends its
// thread and runs "On_DCC_Disconnect" with the window's name.
void OnDccChatDisconnected(WindowRecord* record, DccConnection* dcc);
} // namespace shell
