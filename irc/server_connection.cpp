#include "irc/server_connection.h"

#include "core/window_record.h"

// Every text and list empty, the queue empty, timer ids from 1000, everything else 0 (the
// member initialisers). The socket is not closed here: the session ends before the record.
ServerConnection::ServerConnection() = default;

ServerConnection::~ServerConnection() = default;

ServerConnection* ConnectionOfWindow(const WindowRecord* window) {
    if (!window) return nullptr;
    if (window->Connection) return window->Connection;
    return window->Server ? window->Server->Connection : nullptr;
}
