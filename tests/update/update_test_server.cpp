#include "tests/update/update_test_server.h"

#include "common/xstring.h"
#include "tests/irc_tls/loopback_server.h"

#include <windows.h>
#include <wincrypt.h>

#include <sstream>

bool UpdateTestServer::Start(const std::string& certificate, const std::string& key) {
    folder_ = MakeTestFolder(L"update_server");
    for (const wchar_t* folder : {L"qv", L"qv\\updates", L"qv\\updates\\x64"})
        CreateDirectoryW((folder_ + folder).c_str(), nullptr);
    port_ = FreeLoopbackPort();
    tls_ = !certificate.empty();
    std::string command = "/usr/bin/python3 " + ShellQuote(BRINDLEX_UPDATE_SERVER_SCRIPT) + " " +
                          std::to_string(port_) + " " + ShellQuote(UnixPath(folder_));
    if (tls_) command += " " + ShellQuote(certificate) + " " + ShellQuote(key);
    return peer_.Start(folder_, command, port_, 300);
}

void UpdateTestServer::Publish(const std::wstring& name, const std::string& bytes) {
    WriteFileBytes(folder_ + L"qv\\updates\\x64\\" + name, bytes);
}

void UpdateTestServer::Behave(const std::string& json) {
    WriteFileBytes(folder_ + L"behaviour.json", json);
}

std::wstring UpdateTestServer::Address() const {
    return NarrowToWide((tls_ ? "https://localhost:" : "http://127.0.0.1:") + std::to_string(port_));
}

std::vector<std::string> UpdateTestServer::Requests() const {
    std::vector<std::string> requests;
    std::istringstream lines(ReadFileBytes(folder_ + L"requests.log"));
    for (std::string line; std::getline(lines, line);) requests.push_back(line);
    return requests;
}

namespace {

HCERTSTORE OpenUserRoots() {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
}

} // namespace

bool TrustedTestCertificates::Add(const std::string& pemPath) {
    const std::string pem = ReadFileBytes(NarrowToWide("Z:" + pemPath));
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                              &size, nullptr, nullptr))
        return false;
    std::vector<unsigned char> der(size);
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                              der.data(), &size, nullptr, nullptr))
        return false;
    HCERTSTORE store = OpenUserRoots();
    if (!store) return false;
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    if (added) added_.push_back(std::move(der));
    return added != FALSE;
}

TrustedTestCertificates::~TrustedTestCertificates() {
    HCERTSTORE store = OpenUserRoots();
    if (!store) return;
    for (const std::vector<unsigned char>& der : added_) {
        PCCERT_CONTEXT wanted =
            CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
        if (!wanted) continue;
        PCCERT_CONTEXT found =
            CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
        if (found) CertDeleteCertificateFromStore(found);
        CertFreeCertificateContext(wanted);
    }
    CertCloseStore(store, 0);
}
