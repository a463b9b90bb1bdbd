// The lines that tell the user whom a TLS session talks to and what its certificate check found.
#include "irc/tls_socket.h"
#include "core/client_services.h"
#include "markup/untrusted_text.h"

#include <string>

namespace {

// Bold, a symbol-font dot, then a colour number follows.
#define BULLET L"\x02\x12\u00B7\x12\x03"

const wchar_t* CertificateErrorLine(uint32_t result) {
    switch (result) {
        case 0x80090308: return BULLET L"4 SSL Error: Invalid.\r\n";
        case 0x8009030E: return BULLET L"4 SSL Error: No Credentials.\r\n";
        case 0x80090322: return BULLET L"4 SSL Error: Name Mismatch.\r\n";
        case 0x80090328: return BULLET L"4 SSL Error: Expired.\r\n";
        case 0x80092010: return BULLET L"4 SSL Error: Revoked.\r\n";
        // The chain leads to no root this computer trusts, as with a self-signed certificate.
        case 0x800B0109:
        case 0x800B010A: return BULLET L"4 SSL Error: Untrusted Root.\r\n";
        default: return nullptr;
    }
}

} // namespace

void ReportSslCertificate(WindowRecord* window, TlsSocket* tls) {
    if (!tls) return;
    wchar_t name[1000];
    GetPeerCertificateName(tls, name);
    // The name comes from the peer's certificate: no markup of ours may come with it.
    PrintToWindow(kInformationLine, window,
                  std::wstring(BULLET L"12 SSL Info for: ") + CleanUntrustedTextW(name));
    if (const wchar_t* line = CertificateErrorLine(VerifyPeerCertificate(tls)))
        PrintToWindow(kInformationLine, window, line);
}
