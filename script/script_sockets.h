// The sockets that scripts made, by the number a script keeps for each. Numbers are small and
// never given out twice: a script reaches only sockets that socket or accept gave it, never the
// program's own connections by guessing a system socket number.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <memory>

// A socket that closes when the last call using it ends.
struct ScriptSocket {
    explicit ScriptSocket(SOCKET socket) : Socket(socket) {}
    ~ScriptSocket() { closesocket(Socket); }
    ScriptSocket(const ScriptSocket&) = delete;
    ScriptSocket& operator=(const ScriptSocket&) = delete;
    const SOCKET Socket;
};

// Takes the socket; returns its number, or -1 for an invalid socket.
int64_t RegisterScriptSocket(SOCKET socket);
// The socket of the number, or null.
std::shared_ptr<ScriptSocket> FindScriptSocket(int64_t number);
// Forgets the number and shuts the socket down, so a call blocked on it in another script
// returns; it closes once no call holds it. False for an unknown number.
bool CloseScriptSocket(int64_t number);
