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
// "On_Disconnect" with the host, prints language string 53 and, when not by the user, restarts
// by the reconnect counter (10 or more becomes 1; 1 to 4 count up and restart; 0 and 5 to 9
// stay closed). Otherwise nothing happens, so a second call for the same drop is harmless.
void OnServerDisconnected(WindowRecord* record, uint8_t byUser);
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
