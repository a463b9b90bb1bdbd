// The own self-signed certificate and the check of the peer's certificate.
#include "irc/tls_socket.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kContainerName[] = L"Container";
// The base provider stops at 1024-bit keys and SHA-1; this one makes 2048-bit keys and SHA-256.
constexpr wchar_t kProviderName[] = MS_ENH_RSA_AES_PROV_W;
constexpr DWORD kProviderType = PROV_RSA_AES;
constexpr DWORD kMinimumKeyBits = 2048;
constexpr DWORD kSecurityFlagIgnoreRevocation = 0x00000080;
constexpr DWORD kSecurityFlagIgnoreUnknownCa = 0x00000100;

// One key container serves every certificate: making two at once must not swap its key.
std::mutex CertificateMutex;

// The container's exchange key when it is long enough, else a new one.
bool EnsureExchangeKey(HCRYPTPROV provider) {
    HCRYPTKEY key = 0;
    if (CryptGetUserKey(provider, AT_KEYEXCHANGE, &key)) {
        DWORD bits = 0;
        DWORD size = sizeof(bits);
        const bool longEnough = CryptGetKeyParam(key, KP_KEYLEN, reinterpret_cast<BYTE*>(&bits), &size, 0) &&
                                bits >= kMinimumKeyBits;
        CryptDestroyKey(key);
        if (longEnough) return true;
    }
    if (!CryptGenKey(provider, AT_KEYEXCHANGE, (kMinimumKeyBits << 16) | CRYPT_EXPORTABLE, &key))
        return false;
    CryptDestroyKey(key);
    return true;
}

// The same moment a year later; 29 February becomes 28 February.
SYSTEMTIME OneYearLater(SYSTEMTIME time) {
    time.wYear += 1;
    if (time.wMonth == 2 && time.wDay == 29) time.wDay = 28;
    return time;
}

// Policy errors in the codes the report knows.
uint32_t AsSecurityError(DWORD error) {
    switch (error) {
        case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return static_cast<uint32_t>(SEC_E_WRONG_PRINCIPAL);
        case static_cast<DWORD>(CERT_E_EXPIRED): return static_cast<uint32_t>(SEC_E_CERT_EXPIRED);
        default: return error;
    }
}

uint32_t CheckRevocation(PCCERT_CHAIN_CONTEXT chain) {
    if (!chain->cChain || !chain->rgpChain[0]->cElement) return 0;
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    std::vector<void*> certificates;
    for (DWORD i = 0; i < simple->cElement; ++i)
        certificates.push_back(const_cast<CERT_CONTEXT*>(simple->rgpElement[i]->pCertContext));
    CERT_REVOCATION_STATUS status{};
    status.cbSize = sizeof(status);
    if (CertVerifyRevocation(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, CERT_CONTEXT_REVOCATION_TYPE,
                             static_cast<DWORD>(certificates.size()), certificates.data(),
                             CERT_VERIFY_REV_CHAIN_FLAG, nullptr, &status))
        return 0;
    return status.dwError ? status.dwError : GetLastError();
}

// The address a target name spells out, when it is an IPv4 or IPv6 literal; empty otherwise.
std::vector<BYTE> LiteralAddress(const wchar_t* name) {
    for (const int family : {AF_INET, AF_INET6}) {
        sockaddr_storage address{};
        int length = sizeof address;
        std::wstring text = name;
        if (WSAStringToAddressW(text.data(), family, nullptr, reinterpret_cast<sockaddr*>(&address),
                                &length) != 0)
            continue;
        const auto* bytes =
            family == AF_INET
                ? reinterpret_cast<const BYTE*>(&reinterpret_cast<sockaddr_in&>(address).sin_addr)
                : reinterpret_cast<const BYTE*>(&reinterpret_cast<sockaddr_in6&>(address).sin6_addr);
        return std::vector<BYTE>(bytes, bytes + (family == AF_INET ? 4 : 16));
    }
    return {};
}

// Whether a certificate is made out to the address: one of its alternative names is that IP
// address, or, having no alternative names, its common name is the address as written. The
// system's policy check compares host names only.
bool NamesAddress(PCCERT_CONTEXT peer, const wchar_t* name, const std::vector<BYTE>& address) {
    const CERT_INFO* info = peer->pCertInfo;
    const CERT_EXTENSION* names =
        CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (!names) {
        wchar_t common[256] = {};
        CertGetNameStringW(peer, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), common, 256);
        return _wcsicmp(common, name) == 0;
    }
    CERT_ALT_NAME_INFO* decoded = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, names->Value.pbData, names->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded, &size))
        return false;
    bool found = false;
    for (DWORD i = 0; i < decoded->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = decoded->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
                entry.IPAddress.cbData == address.size() &&
                std::equal(address.begin(), address.end(), entry.IPAddress.pbData);
    }
    LocalFree(decoded);
    return found;
}

uint32_t CheckChain(TlsSocket* tls, PCCERT_CONTEXT peer) {
    const bool client = tls->Role == kTlsClient;
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof(chainPara);
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, peer, nullptr, peer->hCertStore, &chainPara,
                                 client ? CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT : 0, nullptr,
                                 &chain))
        return GetLastError();

    // A client checks a server's certificate against the name it asked for, when it asked for
    // one (a DCC chat has none); an address is compared here, a host name by the policy. Trust in
    // the root and revocation are looked at on their own, so that neither hides a wrong name or
    // date.
    const bool named = client && tls->TargetName[0];
    const std::vector<BYTE> address = named ? LiteralAddress(tls->TargetName) : std::vector<BYTE>();
    HTTPSPolicyCallbackData https{};
    https.cbStruct = sizeof(https);
    https.dwAuthType = client ? AUTHTYPE_SERVER : AUTHTYPE_CLIENT;
    https.fdwChecks = kSecurityFlagIgnoreUnknownCa | kSecurityFlagIgnoreRevocation;
    https.pwszServerName = named && address.empty() ? tls->TargetName : nullptr;
    CERT_CHAIN_POLICY_PARA policyPara{};
    policyPara.cbSize = sizeof(policyPara);
    policyPara.pvExtraPolicyPara = &https;
    CERT_CHAIN_POLICY_STATUS policyStatus{};
    policyStatus.cbSize = sizeof(policyStatus);

    uint32_t result = 0;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &policyStatus))
        result = GetLastError();
    else if (policyStatus.dwError)
        result = AsSecurityError(policyStatus.dwError);
    else if (!address.empty() && !NamesAddress(peer, tls->TargetName, address))
        result = static_cast<uint32_t>(SEC_E_WRONG_PRINCIPAL);
    else if (chain->TrustStatus.dwErrorStatus & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        result = static_cast<uint32_t>(CERT_E_UNTRUSTEDROOT);
    else
        result = CheckRevocation(chain);
    CertFreeCertificateChain(chain);
    return result;
}

PCCERT_CONTEXT PeerCertificate(TlsSocket* tls) {
    PCCERT_CONTEXT peer = nullptr;
    if (!tls || !tls->HasContext) return nullptr;
    if (QueryContextAttributesW(&tls->Context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &peer) != SEC_E_OK)
        return nullptr;
    return peer;
}

} // namespace

PCCERT_CONTEXT MakeSelfSignedCertificate() {
    std::lock_guard<std::mutex> guard(CertificateMutex);

    DWORD nameSize = 0;
    if (!CertStrToNameW(X509_ASN_ENCODING, L"CN=Certificate", CERT_X500_NAME_STR, nullptr, nullptr, &nameSize,
                        nullptr))
        return nullptr;
    std::vector<BYTE> name(nameSize);
    if (!CertStrToNameW(X509_ASN_ENCODING, L"CN=Certificate", CERT_X500_NAME_STR, nullptr, name.data(),
                        &nameSize, nullptr))
        return nullptr;

    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, kContainerName, kProviderName, kProviderType,
                              CRYPT_NEWKEYSET | CRYPT_MACHINE_KEYSET)) {
        if (GetLastError() != static_cast<DWORD>(NTE_EXISTS) ||
            !CryptAcquireContextW(&provider, kContainerName, kProviderName, kProviderType,
                                  CRYPT_MACHINE_KEYSET))
            return nullptr;
    }
    PCCERT_CONTEXT certificate = nullptr;
    if (EnsureExchangeKey(provider)) {
        CERT_NAME_BLOB subject{nameSize, name.data()};
        CRYPT_KEY_PROV_INFO keyInfo{};
        keyInfo.pwszContainerName = const_cast<wchar_t*>(kContainerName);
        keyInfo.pwszProvName = const_cast<wchar_t*>(kProviderName);
        keyInfo.dwProvType = kProviderType;
        keyInfo.dwFlags = CRYPT_MACHINE_KEYSET;
        keyInfo.dwKeySpec = AT_KEYEXCHANGE;
        CRYPT_ALGORITHM_IDENTIFIER algorithm{};
        algorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA256RSA);
        SYSTEMTIME start{};
        GetSystemTime(&start);
        SYSTEMTIME end = OneYearLater(start);
        certificate =
            CertCreateSelfSignCertificate(provider, &subject, 0, &keyInfo, &algorithm, &start, &end, nullptr);
    }
    CryptReleaseContext(provider, 0);
    return certificate;
}

uint32_t VerifyPeerCertificate(TlsSocket* tls) {
    PCCERT_CONTEXT peer = PeerCertificate(tls);
    if (!peer) return static_cast<uint32_t>(SEC_E_WRONG_PRINCIPAL);
    uint32_t result = 0;
    if (CertVerifyTimeValidity(nullptr, peer->pCertInfo) != 0)
        result = static_cast<uint32_t>(SEC_E_CERT_EXPIRED);
    else
        result = CheckChain(tls, peer);
    CertFreeCertificateContext(peer);
    return result;
}

void GetPeerCertificateName(TlsSocket* tls, wchar_t (&name)[1000]) {
    name[0] = 0;
    PCCERT_CONTEXT peer = PeerCertificate(tls);
    if (!peer) return;
    CertGetNameStringW(peer, CERT_NAME_FRIENDLY_DISPLAY_TYPE, 0, nullptr, name, 1000);
    CertFreeCertificateContext(peer);
}
