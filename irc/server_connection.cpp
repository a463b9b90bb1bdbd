#include "irc/server_connection.h"

ServerConnection::ServerConnection() = default;

ServerConnection::~ServerConnection() = default;
