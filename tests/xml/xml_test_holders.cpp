#include "tests/xml/xml_test_holders.h"

#include "tests/irc_tls/linux_peer.h"
#include "xml/xml_certificate_crypt.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>
#include <openssl/x509.h>
#include <openssl/err.h>

#include <cstring>

#include <mutex>
#include <string>
#include <vector>

namespace {

// The certificate with its private key in a key container named for the holder, the container
// written afresh each run.
PCCERT_CONTEXT ImportHolder(const std::wstring& folder, const char* name, HCERTSTORE into) {
    const std::wstring base = folder + std::wstring(name, name + 1);
    const std::string der = ReadFileBytes(base + L".der");
    const std::string blob = ReadFileBytes(base + L".blob");
    const std::wstring container = L"brindlex_xml_test_" + std::wstring(name, name + 1);
    HCRYPTPROV provider = 0;
    CryptAcquireContextW(&provider, container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    if (der.empty() || blob.empty() ||
        !CryptAcquireContextW(&provider, container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET))
        return nullptr;
    HCRYPTKEY key = 0;
    const bool imported = CryptImportKey(provider, reinterpret_cast<const BYTE*>(blob.data()),
                                         static_cast<DWORD>(blob.size()), 0, CRYPT_EXPORTABLE, &key);
    if (key) CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);
    PCCERT_CONTEXT added = nullptr;
    if (!imported ||
        !CertAddEncodedCertificateToStore(into, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                          static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, &added))
        return nullptr;
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = const_cast<wchar_t*>(container.c_str());
    info.pwszProvName = const_cast<wchar_t*>(MS_ENHANCED_PROV_W);
    info.dwProvType = PROV_RSA_FULL;
    info.dwKeySpec = AT_KEYEXCHANGE;
    CertSetCertificateContextProperty(added, CERT_KEY_PROV_INFO_PROP_ID, 0, &info);
    return added;
}

TestHolders Make() {
    TestHolders h;
    const std::wstring folder = MakeTestFolder(L"holders");
    std::string script = "cd " + ShellQuote(UnixPath(folder)) + " && ( true";
    for (const char* name : {"a", "b", "c"}) {
        const std::string n = name;
        script += " && openssl req -x509 -newkey rsa:2048 -nodes -days 30 -keyout " + n +
                  ".key -outform DER -out " + n + ".der -subj /CN=Holder_" + n + " && openssl rsa -in " + n +
                  ".key -outform MSBLOB -out " + n + ".blob";
    }
    if (RunShell(script + " ) > make.log 2>&1") != 0) return h;
    h.Store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    h.A = ImportHolder(folder, "a", h.Store);
    h.B = ImportHolder(folder, "b", h.Store);
    h.C = ImportHolder(folder, "c", h.Store);
    h.Made = h.A && h.B && h.C;
    return h;
}

// The holder's private key as libcrypto sees it, exported from the key container the
// certificate names.
EVP_PKEY* PrivateKeyOf(PCCERT_CONTEXT certificate) {
    HCRYPTPROV_OR_NCRYPT_KEY_HANDLE provider = 0;
    DWORD keySpec = 0;
    BOOL mustFree = FALSE;
    if (!CryptAcquireCertificatePrivateKey(certificate, CRYPT_ACQUIRE_SILENT_FLAG, nullptr, &provider,
                                           &keySpec, &mustFree))
        return nullptr;
    EVP_PKEY* key = nullptr;
    HCRYPTKEY handle = 0;
    if (CryptGetUserKey(provider, keySpec, &handle)) {
        DWORD size = 0;
        if (CryptExportKey(handle, 0, PRIVATEKEYBLOB, 0, nullptr, &size)) {
            std::vector<BYTE> blob(size);
            if (CryptExportKey(handle, 0, PRIVATEKEYBLOB, 0, blob.data(), &size)) {
                const unsigned char* p = blob.data();
                key = b2i_PrivateKey(&p, static_cast<long>(size));
            }
        }
        CryptDestroyKey(handle);
    }
    if (mustFree) CryptReleaseContext(provider, 0);
    return key;
}

// The plaintext when this holder can open the message.
bool OpenAs(PKCS7* message, PCCERT_CONTEXT holder, std::string* plain) {
    const unsigned char* der = holder->pbCertEncoded;
    X509* certificate = d2i_X509(nullptr, &der, static_cast<long>(holder->cbCertEncoded));
    EVP_PKEY* key = PrivateKeyOf(holder);
    BIO* out = BIO_new(BIO_s_mem());
    bool opened = certificate && key && out && PKCS7_decrypt(message, key, certificate, out, 0) == 1;
    ERR_clear_error();
    if (opened) {
        char* data = nullptr;
        long size = BIO_get_mem_data(out, &data);
        plain->assign(data, static_cast<size_t>(size));
    }
    BIO_free(out);
    EVP_PKEY_free(key);
    X509_free(certificate);
    return opened;
}

BOOL WINAPI DecryptWithLibcrypto(PCRYPT_DECRYPT_MESSAGE_PARA para, const BYTE* bytes, DWORD size, BYTE* plain,
                                 DWORD* plainSize, PCCERT_CONTEXT* used) {
    if (used) *used = nullptr;
    const unsigned char* p = bytes;
    PKCS7* message = d2i_PKCS7(nullptr, &p, static_cast<long>(size));
    if (!message || !PKCS7_type_is_enveloped(message)) {
        PKCS7_free(message);
        return FALSE;
    }
    // CryptoAPI gives RC4, which has no initial vector, the parameter NULL; libcrypto reads an
    // initial vector of length 0 only from an empty octet string.
    X509_ALGOR* cipher = message->d.enveloped->enc_data->algorithm;
    if (cipher->parameter && cipher->parameter->type == V_ASN1_NULL) {
        ASN1_TYPE_free(cipher->parameter);
        cipher->parameter = ASN1_TYPE_new();
        ASN1_TYPE_set_octetstring(cipher->parameter, nullptr, 0);
    }
    std::string text;
    PCCERT_CONTEXT holder = nullptr;
    for (DWORD s = 0; s < para->cCertStore && !holder; ++s) {
        for (PCCERT_CONTEXT c = nullptr;
             !holder && (c = CertEnumCertificatesInStore(para->rghCertStore[s], c));) {
            if (OpenAs(message, c, &text)) holder = CertDuplicateCertificateContext(c);
        }
    }
    PKCS7_free(message);
    if (!holder) {
        SetLastError(static_cast<DWORD>(CRYPT_E_NO_DECRYPT_CERT));
        return FALSE;
    }
    bool fits = plain && *plainSize >= text.size();
    if (fits) std::memcpy(plain, text.data(), text.size());
    *plainSize = static_cast<DWORD>(text.size());
    if (fits && used) {
        *used = holder;
    } else {
        CertFreeCertificateContext(holder);
    }
    if (plain && !fits) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    return TRUE;
}

HCERTSTORE HolderStore = nullptr;

HCERTSTORE OpenTestStore() {
    return HolderStore ? CertDuplicateStore(HolderStore) : nullptr;
}

const XmlCertificateDecryption kLibcryptoDecryption{OpenTestStore, DecryptWithLibcrypto};

} // namespace

const TestHolders& GetTestHolders() {
    static std::once_flag once;
    static TestHolders holders;
    std::call_once(once, [] {
        // RC4, the content cipher of the messages, lives in libcrypto's legacy provider.
        OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER_load(nullptr, "default");
        holders = Make();
    });
    return holders;
}

HCERTSTORE StoreWith(PCCERT_CONTEXT first, PCCERT_CONTEXT second) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    for (PCCERT_CONTEXT c : {first, second}) {
        if (c) CertAddCertificateContextToStore(store, c, CERT_STORE_ADD_ALWAYS, nullptr);
    }
    return store;
}

void UseLibcryptoDecryption(HCERTSTORE store) {
    HolderStore = store;
    XmlSetCertificateDecryption(store ? &kLibcryptoDecryption : nullptr);
}
