// The ident responder (RFC 1413): while a server connection is being made, a short-lived thread
// listens on the ident port and tells the one caller the connection's user name.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

struct ServerConnection;
struct WindowRecord;

// 113; tests may move it to a port of their own.
extern std::atomic<uint16_t> IdentListenPort;

// The reply line (ending in CR LF) for one query line, or empty when the line is not a
// well-formed query: two port numbers from 1 to 65535 separated by a comma, blanks allowed.
std::string AnswerIdentQuery(const std::string& query, const std::string& userName);

// The thread body. readyEvent is the thread's own handle of its connection's event: it is
// signalled once the responder listens, or when it gives up before, and then closed here.
void IdentListenerThread(WindowRecord* window, HANDLE readyEvent);

// The connection thread's ident step: stops a responder left from an earlier attempt, starts a
// new one for this connection with an event of this connection only, waits for it at most waitMs
// and clears the connection's ident-waited flag. The thread's handle stays in the connection
// until StopIdentResponder.
void StartIdentResponder(WindowRecord* window, uint32_t waitMs = 5000);

// Closes the ident socket (listening or accepted) exactly once, whoever calls first; a responder
// still waiting on it ends.
void CloseIdentSocket(ServerConnection* connection);
// Closes the ident socket and waits for the responder thread to end, then closes its handle.
void StopIdentResponder(ServerConnection* connection);
