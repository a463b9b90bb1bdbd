// A TLS session over one connected socket (client or server role), used by server connections
// and DCC chats. The connection thread makes it after the TCP connection exists.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>

struct WindowRecord;
class TlsSocket;

// Runs the client handshake unless skipped; 0 on success, -1 on failure.
int32_t TlsClientStart(TlsSocket* tls, uint8_t skipHandshake);
int32_t TlsServerStart(TlsSocket* tls, uint8_t skipHandshake);
void SetTlsTargetName(TlsSocket* tls, const wchar_t* name);
// The plaintext length when all was sent, -1 on failure, else the short count.
int32_t TlsSend(TlsSocket* tls, const void* data, uint32_t length, std::string* output);
// Bytes of plaintext delivered, 0 when a record held no application data, -1 on error.
int32_t TlsRecv(TlsSocket* tls, void* buffer, int32_t size, const std::string* injected);
// Sends the close notification and releases the session's handles; the owner frees the object.
void TlsClose(TlsSocket* tls);
// Prints the peer certificate's name and what its check found into the window.
void ReportSslCertificate(WindowRecord* window, TlsSocket* tls);
