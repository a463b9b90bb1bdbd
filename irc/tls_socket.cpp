#include "irc/tls_socket.h"

#include "irc/bounded_send.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

constexpr unsigned long kClientRequestFlags = 0x8C11C; // replay, sequence, confidentiality, allocate,
                                                       // extended error, stream, manual validation
constexpr unsigned long kServerRequestFlags = 0x100;   // allocate memory
constexpr unsigned long kShutdownRequestFlags = 0xC11C;
constexpr DWORD kCredentialFlags =
    SCH_CRED_NO_SYSTEM_MAPPER | SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_REVOCATION_CHECK_CHAIN;
constexpr size_t kHandshakeBufferBytes = 0x11000;
constexpr size_t kHandshakeReadBytes = 0x10000;
// A handshake flight larger than this is not a TLS peer we want to talk to.
constexpr size_t kHandshakeBufferLimit = 0x100000;
constexpr size_t kRecordReadBytes = 0x10000;
constexpr uint8_t kAlertRecord = 0x15;

class OptionalLock {
public:
    explicit OptionalLock(std::mutex* mutex) : mutex_(mutex) {
        if (mutex_) mutex_->lock();
    }
    ~OptionalLock() {
        if (mutex_) mutex_->unlock();
    }
    OptionalLock(const OptionalLock&) = delete;
    OptionalLock& operator=(const OptionalLock&) = delete;

private:
    std::mutex* mutex_;
};

// A peer that stops reading ends the write after the stall limit.
uint32_t SendRaw(SOCKET socket, const char* data, uint32_t length) {
    return static_cast<uint32_t>(
        SendBounded(socket, std::string_view(data, length), WriteStallLimitMs.load()).Sent);
}

// Sends a token the package allocated (under the write lock), then frees it. False when it did not
// go out whole.
bool SendToken(TlsSocket* tls, SecBuffer& token) {
    bool ok = true;
    if (token.pvBuffer && token.cbBuffer) {
        OptionalLock guard(tls->WriteLock);
        ok = SendRaw(tls->Socket, static_cast<const char*>(token.pvBuffer), token.cbBuffer) == token.cbBuffer;
    }
    if (token.pvBuffer) FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
    token.cbBuffer = 0;
    return ok;
}

// Reads into the free room of buffer behind held, growing it when full. The read result.
int ReadMore(SOCKET socket, std::vector<char>& buffer, size_t& held, size_t maxRead, size_t limit) {
    if (held == buffer.size()) {
        if (buffer.size() >= limit) return SOCKET_ERROR;
        buffer.resize(std::min(limit, buffer.size() * 2 + 1));
    }
    const size_t room = std::min(buffer.size() - held, maxRead);
    int count = recv(socket, buffer.data() + held, static_cast<int>(room), 0);
    if (count > 0) held += static_cast<size_t>(count);
    return count;
}

bool IsHandshakeContinuing(SECURITY_STATUS status) {
    return status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE ||
           status == SEC_I_INCOMPLETE_CREDENTIALS;
}

// The token loop of both roles. The first pass of a new client context runs without input;
// every later pass feeds what the peer sent (surplus from earlier reads first).
int HandshakeLoop(TlsSocket* tls) {
    const bool client = tls->Role == kTlsClient;
    std::vector<char> input(kHandshakeBufferBytes);
    size_t held = 0;
    bool withoutInput = client && !tls->HasContext;
    bool needRead = true;
    SECURITY_STATUS status = SEC_I_CONTINUE_NEEDED;

    while (IsHandshakeContinuing(status)) {
        if (!withoutInput) {
            if (!tls->PendingCiphertext.empty()) {
                const size_t count = tls->PendingCiphertext.size();
                if (input.size() < held + count) input.resize(held + count);
                std::memcpy(input.data() + held, tls->PendingCiphertext.data(), count);
                held += count;
                tls->PendingCiphertext.clear();
            } else if (needRead || held == 0) {
                int count = ReadMore(tls->Socket, input, held, kHandshakeReadBytes, kHandshakeBufferLimit);
                if (count <= 0) return -1;
            }
        }
        needRead = true;

        SecBuffer inBuffers[2] = {};
        inBuffers[0].BufferType = SECBUFFER_TOKEN;
        inBuffers[0].pvBuffer = input.data();
        inBuffers[0].cbBuffer = static_cast<unsigned long>(held);
        inBuffers[1].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, inBuffers};
        SecBuffer outBuffers[1] = {};
        outBuffers[0].BufferType = SECBUFFER_TOKEN;
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, outBuffers};
        unsigned long attributes = 0;
        TimeStamp expiry{};

        const bool firstCall = !tls->HasContext;
        if (client) {
            status = InitializeSecurityContextW(
                &tls->Credentials, firstCall ? nullptr : &tls->Context, tls->TargetName, kClientRequestFlags,
                0, 0, withoutInput ? nullptr : &inDesc, 0, &tls->Context, &outDesc, &attributes, &expiry);
        } else {
            status =
                AcceptSecurityContext(&tls->Credentials, firstCall ? nullptr : &tls->Context, &inDesc,
                                      kServerRequestFlags, 0, &tls->Context, &outDesc, &attributes, &expiry);
        }
        withoutInput = false;
        if (firstCall && !FAILED(status)) tls->HasContext = true;

        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            if (outBuffers[0].pvBuffer) FreeContextBuffer(outBuffers[0].pvBuffer);
            continue; // keep the bytes, read more
        }
        // A failure may carry an alert for the peer; send it, then give up.
        if (!SendToken(tls, outBuffers[0]) || FAILED(status)) return -1;
        if (client && firstCall && status != SEC_I_CONTINUE_NEEDED) return -1;
        tls->HandshakeStarted = 1;

        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            needRead = false; // the same input again
            continue;
        }
        if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0 &&
            inBuffers[1].cbBuffer <= held) {
            const size_t extra = inBuffers[1].cbBuffer;
            std::memmove(input.data(), input.data() + held - extra, extra);
            held = extra;
            needRead = false;
        } else {
            held = 0;
        }
        if (status == SEC_E_OK) {
            // Records that came with the last handshake message wait for the first reader.
            tls->PendingCiphertext.assign(input.data(), input.data() + held);
            return 0;
        }
    }
    return -1;
}

SECURITY_STATUS AcquireWith(TlsSocket* tls, unsigned long direction, bool withCertificate) {
    tls->SchannelSettings = {};
    tls->SchannelSettings.dwVersion = SCHANNEL_CRED_VERSION;
    if (withCertificate && tls->Certificate) {
        tls->SchannelSettings.cCreds = 1;
        tls->SchannelSettings.paCred = &tls->Certificate;
    }
    if (direction == SECPKG_CRED_INBOUND) {
        tls->SchannelSettings.hRootStore = tls->CertificateStore;
        tls->SchannelSettings.dwMinimumCipherStrength = 128;
    }
    tls->SchannelSettings.dwFlags = kCredentialFlags;
    TimeStamp expiry{};
    return AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), direction, nullptr,
                                     &tls->SchannelSettings, nullptr, nullptr, &tls->Credentials, &expiry);
}

int AcquireCredentials(TlsSocket* tls, unsigned long direction) {
    if (!tls->Certificate) {
        tls->Certificate = MakeSelfSignedCertificate();
        tls->CallersCertificate = 0;
    }
    SECURITY_STATUS status = AcquireWith(tls, direction, true);
    // A client needs no certificate of its own: when the package refuses the one made here, go on
    // without it. A server cannot, and neither can a client given a certificate by its caller.
    if (status != SEC_E_OK && direction == SECPKG_CRED_OUTBOUND && tls->Certificate &&
        !tls->CallersCertificate)
        status = AcquireWith(tls, direction, false);
    if (status != SEC_E_OK) return -1;
    tls->HasCredentials = true;
    return 0;
}

bool QueryStreamSizes(TlsSocket* tls, SecPkgContext_StreamSizes& sizes) {
    return tls->HasContext &&
           QueryContextAttributesW(&tls->Context, SECPKG_ATTR_STREAM_SIZES, &sizes) == SEC_E_OK &&
           sizes.cbMaximumMessage > 0;
}

void ReleaseHandles(TlsSocket* tls) {
    if (tls->HasContext) DeleteSecurityContext(&tls->Context);
    if (tls->HasCredentials) FreeCredentialsHandle(&tls->Credentials);
    if (tls->Certificate && !tls->CallersCertificate) CertFreeCertificateContext(tls->Certificate);
    if (tls->CertificateStore) CertCloseStore(tls->CertificateStore, 0);
    tls->HasContext = false;
    tls->HasCredentials = false;
    tls->Certificate = nullptr;
    tls->CertificateStore = nullptr;
}

} // namespace

TlsSocket::TlsSocket(SOCKET socket, uint32_t role, PCCERT_CONTEXT certificate, std::mutex* writeLock)
    : Role(role), Socket(socket), Certificate(certificate), CallersCertificate(certificate ? 1 : 0),
      WriteLock(writeLock) {
    SecInvalidateHandle(&Credentials);
    SecInvalidateHandle(&Context);
}

TlsSocket::~TlsSocket() {
    ReleaseHandles(this);
}

void SetTlsTargetName(TlsSocket* tls, const wchar_t* name) {
    if (!tls) return;
    std::wmemset(tls->TargetName, 0, kTlsTargetNameChars);
    if (name) wcsncpy(tls->TargetName, name, kTlsTargetNameChars - 1);
}

int TlsClientStart(TlsSocket* tls, uint8_t skipHandshake) {
    if (!tls || AcquireCredentials(tls, SECPKG_CRED_OUTBOUND) < 0) return -1;
    if (skipHandshake) return 0;
    return HandshakeLoop(tls);
}

int TlsServerStart(TlsSocket* tls, uint8_t skipHandshake) {
    if (!tls || AcquireCredentials(tls, SECPKG_CRED_INBOUND) < 0) return -1;
    if (skipHandshake) return 0;
    return HandshakeLoop(tls);
}

int TlsSend(TlsSocket* tls, const void* data, uint32_t length, std::vector<char>* output) {
    if (!tls || (!data && length)) return -1;
    OptionalLock guard(output ? nullptr : tls->WriteLock);
    SecPkgContext_StreamSizes sizes{};
    if (!QueryStreamSizes(tls, sizes)) return -1;

    std::vector<char> record(sizes.cbHeader + sizes.cbMaximumMessage + sizes.cbTrailer);
    const char* plain = static_cast<const char*>(data);
    uint32_t done = 0;
    while (done < length) {
        const uint32_t chunk = std::min<uint32_t>(length - done, sizes.cbMaximumMessage);
        std::memcpy(record.data() + sizes.cbHeader, plain + done, chunk);
        SecBuffer buffers[4] = {};
        buffers[0] = {sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
        buffers[1] = {chunk, SECBUFFER_DATA, record.data() + sizes.cbHeader};
        buffers[2] = {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes.cbHeader + chunk};
        buffers[3] = {0, SECBUFFER_EMPTY, nullptr};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        if (EncryptMessage(&tls->Context, 0, &desc, 0) != SEC_E_OK) return -1;

        // The parts may come back shorter than reserved: close the gaps.
        uint32_t total = 0;
        for (int i = 0; i < 3; ++i) {
            if (buffers[i].pvBuffer != record.data() + total)
                std::memmove(record.data() + total, buffers[i].pvBuffer, buffers[i].cbBuffer);
            total += buffers[i].cbBuffer;
        }
        if (output) {
            output->insert(output->end(), record.data(), record.data() + total);
        } else if (SendRaw(tls->Socket, record.data(), total) != total) {
            return static_cast<int>(done);
        }
        done += chunk;
    }
    return static_cast<int>(length);
}

int TlsRecv(TlsSocket* tls, void* buffer, int size, const std::vector<char>* injected) {
    if (!tls || !buffer || size <= 0) return -1;
    char* out = static_cast<char*>(buffer);

    if (!tls->LeftoverPlaintext.empty()) {
        const size_t count = std::min(tls->LeftoverPlaintext.size(), static_cast<size_t>(size));
        std::memcpy(out, tls->LeftoverPlaintext.data(), count);
        tls->LeftoverPlaintext.erase(tls->LeftoverPlaintext.begin(),
                                     tls->LeftoverPlaintext.begin() + static_cast<ptrdiff_t>(count));
        return static_cast<int>(count);
    }
    if (tls->PeerClosed || !tls->HasContext) return -1;

    std::vector<char>& input = tls->PendingCiphertext;
    size_t held = input.size();
    bool needRead = held == 0;
    bool injectedTaken = false;
    for (;;) {
        if (needRead) {
            if (injected && !injected->empty() && !injectedTaken) {
                input.insert(input.end(), injected->begin(), injected->end());
                held = input.size();
                injectedTaken = true;
            } else {
                input.resize(std::max(input.size(), held + kRecordReadBytes));
                int count = recv(tls->Socket, input.data() + held, static_cast<int>(kRecordReadBytes), 0);
                if (count <= 0) {
                    input.resize(held);
                    if (count == 0) tls->PeerClosed = true;
                    return -1;
                }
                held += static_cast<size_t>(count);
                input.resize(held);
            }
        }

        SecBuffer buffers[4] = {};
        buffers[0] = {static_cast<unsigned long>(held), SECBUFFER_DATA, input.data()};
        buffers[1].BufferType = buffers[2].BufferType = buffers[3].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        const uint8_t recordType = static_cast<uint8_t>(input[0]);
        SECURITY_STATUS status = DecryptMessage(&tls->Context, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needRead = true;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
            input.clear();
            return -1;
        }

        SecBuffer* dataBuffer = nullptr;
        SecBuffer* extraBuffer = nullptr;
        for (SecBuffer& b : buffers) {
            if (b.BufferType == SECBUFFER_DATA && !dataBuffer) dataBuffer = &b;
            if (b.BufferType == SECBUFFER_EXTRA && !extraBuffer) extraBuffer = &b;
        }
        // The plaintext lies inside the input: take it before the input moves.
        int delivered = 0;
        if (dataBuffer && dataBuffer->cbBuffer > 0) {
            const char* plain = static_cast<const char*>(dataBuffer->pvBuffer);
            const size_t count =
                std::min(static_cast<size_t>(dataBuffer->cbBuffer), static_cast<size_t>(size));
            std::memcpy(out, plain, count);
            tls->LeftoverPlaintext.assign(plain + count, plain + dataBuffer->cbBuffer);
            delivered = static_cast<int>(count);
        }
        if (extraBuffer && extraBuffer->cbBuffer > 0 && extraBuffer->cbBuffer <= held) {
            const size_t extra = extraBuffer->cbBuffer;
            std::memmove(input.data(), input.data() + held - extra, extra);
            held = extra;
        } else {
            held = 0;
        }
        input.resize(held);

        // The peer's close notify. Some Schannel versions report it as an alert record that
        // decrypted to nothing rather than as an expired context.
        if (status == SEC_I_CONTEXT_EXPIRED ||
            (status == SEC_E_OK && delivered == 0 && recordType == kAlertRecord)) {
            tls->PeerClosed = true;
            return delivered > 0 ? delivered : -1;
        }
        if (status == SEC_I_RENEGOTIATE && HandshakeLoop(tls) < 0) return -1;
        if (delivered > 0) return delivered;
        if (tls->PendingCiphertext.empty()) return 0;
        held = tls->PendingCiphertext.size();
        needRead = false; // another record is already here
    }
}

uint32_t TlsRecvAll(TlsSocket* tls, void* buffer, uint32_t size, TlsProgressCallback progress,
                    void* context) {
    char* out = static_cast<char*>(buffer);
    uint32_t done = 0;
    while (done < size) {
        const uint32_t want = std::min<uint32_t>(size - done, 0x7FFFFFFF);
        int count = TlsRecv(tls, out + done, static_cast<int>(want));
        if (count < 0) break;
        done += static_cast<uint32_t>(count);
        if (progress) progress(0, done, size, context);
    }
    return done;
}

void TlsClose(TlsSocket* tls) {
    if (!tls) return;
    if (tls->HasContext && tls->HasCredentials) {
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer control{sizeof(type), SECBUFFER_TOKEN, &type};
        SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
        if (ApplyControlToken(&tls->Context, &controlDesc) == SEC_E_OK) {
            SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
            SecBufferDesc tokenDesc{SECBUFFER_VERSION, 1, &token};
            unsigned long attributes = 0;
            TimeStamp expiry{};
            SECURITY_STATUS status;
            if (tls->Role == kTlsClient) {
                status = InitializeSecurityContextW(&tls->Credentials, &tls->Context, tls->TargetName,
                                                    kShutdownRequestFlags, 0, 0, nullptr, 0, &tls->Context,
                                                    &tokenDesc, &attributes, &expiry);
            } else {
                status =
                    AcceptSecurityContext(&tls->Credentials, &tls->Context, nullptr, kShutdownRequestFlags, 0,
                                          &tls->Context, &tokenDesc, &attributes, &expiry);
            }
            if (FAILED(status)) {
                if (token.pvBuffer) FreeContextBuffer(token.pvBuffer);
            } else {
                SendToken(tls, token);
            }
        }
    }
    ReleaseHandles(tls);
}

uint32_t TlsSocketSendAll(TlsSocket* tls, const void* data, uint32_t length) {
    if (!tls || !data) return 0;
    OptionalLock guard(tls->WriteLock);
    return SendRaw(tls->Socket, static_cast<const char*>(data), length);
}

uint32_t TlsSocketRecvAll(TlsSocket* tls, void* buffer, uint32_t length) {
    if (!tls || !buffer) return 0;
    char* out = static_cast<char*>(buffer);
    uint32_t received = 0;
    while (received < length) {
        int count = recv(tls->Socket, out + received, static_cast<int>(length - received), 0);
        if (count == 0 || count == SOCKET_ERROR) break;
        received += static_cast<uint32_t>(count);
    }
    return received;
}
