// Starting, ending and destroying the session of a server window.
#pragma once

#include <windows.h>

#include <cstdint>

struct WindowRecord;
struct ServerConnection;

// (Re)starts the connection of a server window: the old session ends (the disconnect routine,
// "On_Disconnect") and its thread is waited for, the session flags and the flood queue are
// cleared, an automatic reconnect still waiting is called off, the ident port is mapped when
// "Use_Upnp" is 1, and a new connection thread starts.
// Returns its handle (the record keeps it); null without a connection, while the window is
// being destroyed, or when called again from inside its own disconnect step.
HANDLE StartServerConnection(WindowRecord* record);

// Called when an IRC child window is destroyed: ends the session, waits for the connection
// thread and the session writers, and frees the ServerConnection and DccConnection. The record's
// own texts and lists go with the record.
void DestroyServerSession(WindowRecord* record);

// Ends the live session: takes the socket (the field becomes 0 first), stops its writer (one the
// user ends may first write what it holds, for at most 200 ms), closes the socket and the ident
// socket, and keeps the by-user flag. Only the one caller that took
// the socket gets true, so a "/quit" racing a failing read tears the session down once.
bool EndServerSession(ServerConnection& connection, uint8_t byUser);

// Waits for a thread to end while running the messages other threads send to this one and, on
// the frame's thread, making the windows they wait for, so a worker that is printing into a
// window or waiting for a new one can finish.
void WaitForThreadPumping(HANDLE thread);
