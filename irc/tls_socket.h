// A TLS session in the client or server role over one connected TCP socket, through SSPI
// (Schannel) with our own framing over blocking socket calls.
//
// Every write a session makes (records, handshake and renegotiation tokens, the close notify)
// takes the owner's write lock when one is given, so a connection's writers never interleave
// their records, and waits at most the stall limit (irc/bounded_send.h) for a peer that stops
// reading. Callers must not hold that lock around TlsSend or TlsClose.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <cstdint>
#include <mutex>
#include <vector>

struct WindowRecord;

enum TlsRole : uint32_t {
    kTlsClient = 0,
    kTlsServer = 1,
};

constexpr size_t kTlsTargetNameChars = 1000;

class TlsSocket {
public:
    TlsSocket(SOCKET socket, uint32_t role, PCCERT_CONTEXT certificate, std::mutex* writeLock = nullptr);
    ~TlsSocket();
    TlsSocket(const TlsSocket&) = delete;
    TlsSocket& operator=(const TlsSocket&) = delete;

    uint32_t Role = kTlsClient;
    SOCKET Socket = INVALID_SOCKET; // not owned
    HCERTSTORE CertificateStore = nullptr;
    CredHandle Credentials{};
    SCHANNEL_CRED SchannelSettings{};
    CtxtHandle Context{};
    wchar_t TargetName[kTlsTargetNameChars] = {};
    uint32_t HandshakeStarted = 0;
    std::vector<char> PendingCiphertext; // received bytes beyond the current record or token
    std::vector<char> LeftoverPlaintext; // decrypted bytes not yet handed to a reader
    PCCERT_CONTEXT Certificate = nullptr;
    uint8_t CallersCertificate = 0;
    std::mutex* WriteLock = nullptr;

    bool HasCredentials = false;
    bool HasContext = false;
    bool PeerClosed = false;
};

// Copies at most 999 characters and the terminator.
void SetTlsTargetName(TlsSocket* tls, const wchar_t* name);

// Handshake results: 0 success, -1 failure (a peer that closes mid-handshake is a failure).
// Skipping the handshake gives 0; credentials that cannot be acquired give -1.
int TlsClientStart(TlsSocket* tls, uint8_t skipHandshake);
int TlsServerStart(TlsSocket* tls, uint8_t skipHandshake);

// Encrypts and sends length bytes under the write lock. With output given, appends the records
// to it instead and takes no lock: the caller then sends them and keeps them in order with every
// other write of the session (records carry sequence numbers), holding the write lock across both.
// Returns length when all was sent, -1 when encryption fails, else the plaintext bytes whose
// records went out whole before a socket write fell short.
int TlsSend(TlsSocket* tls, const void* data, uint32_t length, std::vector<char>* output = nullptr);

// Delivers 1..size bytes of plaintext; 0 when a record held no application data (call again);
// -1 on error and once the peer has closed the connection (socket closed or close notify), so a
// caller that repeats on 0 never spins on a dead connection. Injected ciphertext, when given, is
// taken in place of the first socket read.
int TlsRecv(TlsSocket* tls, void* buffer, int size, const std::vector<char>* injected = nullptr);

using TlsProgressCallback = void (*)(uint32_t stage, uint32_t done, uint32_t total, void* context);
// Reads exactly size bytes unless the connection ends; calls progress after every read.
// Returns the bytes read.
uint32_t TlsRecvAll(TlsSocket* tls, void* buffer, uint32_t size, TlsProgressCallback progress = nullptr,
                    void* context = nullptr);

// Sends the close notify (under the write lock) and releases the context, credentials, own
// certificate (unless the caller's) and store. The owner frees the object afterwards.
void TlsClose(TlsSocket* tls);

// Whole-block socket calls on the session's socket; results as SendAll and RecvAll.
uint32_t TlsSocketSendAll(TlsSocket* tls, const void* data, uint32_t length);
uint32_t TlsSocketRecvAll(TlsSocket* tls, void* buffer, uint32_t length);

// Checks the peer's certificate: validity time, chain and, in the client role, the target name.
// Returns 0 or the error (SEC_E_WRONG_PRINCIPAL for a wrong name, SEC_E_CERT_EXPIRED, ...).
uint32_t VerifyPeerCertificate(TlsSocket* tls);
// The peer certificate's friendly display name; empty when there is none.
void GetPeerCertificateName(TlsSocket* tls, wchar_t (&name)[1000]);
// Prints who the peer is and what the certificate check found; never stops the session.
void ReportSslCertificate(WindowRecord* window, TlsSocket* tls);

// A certificate for "CN=Certificate" signed with a key (at least 2048 bits) of the machine key
// container "Container"; null when any step fails. Free it with CertFreeCertificateContext.
PCCERT_CONTEXT MakeSelfSignedCertificate();
