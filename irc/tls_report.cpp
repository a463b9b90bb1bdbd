// The lines that tell the user whom a TLS session talks to and what its certificate check found.
#include "irc/tls_socket.h"
#include "core/client_services.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"
#include "markup/untrusted_text.h"

#include <string>

namespace {

// Bold, a symbol-font dot, then the colour the line is shown in.
std::wstring Bullet(const wchar_t* colour) {
    return DisplayText().Bold().Dot().Code(kColorCode).Text(colour);
}

const wchar_t* CertificateError(uint32_t result) {
    switch (result) {
        case 0x80090308: return L" SSL Error: Invalid.";
        case 0x8009030E: return L" SSL Error: No Credentials.";
        case 0x80090322: return L" SSL Error: Name Mismatch.";
        case 0x80090328: return L" SSL Error: Expired.";
        case 0x80092010: return L" SSL Error: Revoked.";
        // The chain leads to no root this computer trusts, as with a self-signed certificate.
        case 0x800B0109:
        case 0x800B010A: return L" SSL Error: Untrusted Root.";
        default: return nullptr;
    }
}

} // namespace

void ReportSslCertificate(WindowRecord* window, TlsSocket* tls) {
    if (!tls) return;
    wchar_t name[1000];
    GetPeerCertificateName(tls, name);
    // The name comes from the peer's certificate: no markup of ours may come with it.
    PrintToWindow(kInformationLine, window, Bullet(L"12") + L" SSL Info for: " + CleanUntrustedTextW(name));
    if (const wchar_t* error = CertificateError(VerifyPeerCertificate(tls)))
        PrintToWindow(kInformationLine, window, Bullet(L"4") + error + L"\r\n");
}
