// The TLS step of a server connection: the session is made on the connected (or tunnelled)
// socket, the server's host name is both the name sent to it and the name its certificate is
// checked against, and the check is printed into the server window.
#pragma once

struct ServerConnection;
struct WindowRecord;

// Returns 0 once the session is up and stored in the connection (then language string 59 is
// printed), negative when the handshake failed or the socket is gone; the caller then prints
// language string 54 and runs the disconnect routine. The session is published under the
// connection's write lock only after its handshake, so a concurrent sender never sees a half-made
// session and the disconnect routine never frees one that is still shaking hands.
int StartConnectionTls(WindowRecord* window, ServerConnection* connection);
