#include "tests/xml/xml_test_holders.h"

#include "tests/irc_tls/linux_peer.h"
#include "xml/xml_certificate_crypt.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The certificate (DER) into a store of its own, its key (a key blob) into a fresh container.
TestHolder Import(const std::wstring& folder, wchar_t name) {
    TestHolder h;
    const std::string der = ReadFileBytes(folder + name + L".der");
    const std::string blob = ReadFileBytes(folder + name + L".blob");
    const std::wstring container = std::wstring(L"brindlex_xml_test_") + name;
    HCRYPTPROV provider = 0;
    HCRYPTKEY key = 0;
    CryptAcquireContextW(&provider, container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    if (!CryptAcquireContextW(&provider, container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET))
        return h;
    const bool imported = CryptImportKey(provider, reinterpret_cast<const BYTE*>(blob.data()),
                                         static_cast<DWORD>(blob.size()), 0, CRYPT_EXPORTABLE, &key);
    if (key) CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);
    h.Store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (!imported || !CertAddEncodedCertificateToStore(
                         h.Store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                         static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, &h.Certificate))
        return h;
    CRYPT_KEY_PROV_INFO info{const_cast<wchar_t*>(container.c_str()),
                             const_cast<wchar_t*>(MS_ENHANCED_PROV_W),
                             PROV_RSA_FULL,
                             0,
                             0,
                             nullptr,
                             AT_KEYEXCHANGE};
    CertSetCertificateContextProperty(h.Certificate, CERT_KEY_PROV_INFO_PROP_ID, 0, &info);
    return h;
}

EVP_PKEY* PrivateKeyOf(PCCERT_CONTEXT certificate) {
    HCRYPTPROV_OR_NCRYPT_KEY_HANDLE provider = 0;
    DWORD keySpec = 0;
    BOOL mustFree = FALSE;
    HCRYPTKEY key = 0;
    EVP_PKEY* result = nullptr;
    if (!CryptAcquireCertificatePrivateKey(certificate, CRYPT_ACQUIRE_SILENT_FLAG, nullptr, &provider,
                                           &keySpec, &mustFree))
        return nullptr;
    DWORD size = 0;
    if (CryptGetUserKey(provider, keySpec, &key) &&
        CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &size)) {
        std::vector<BYTE> blob(size);
        const unsigned char* p = blob.data();
        if (CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, blob.data(), &size)) result = b2i_PrivateKey(&p, size);
    }
    if (key) CryptDestroyKey(key);
    if (mustFree) CryptReleaseContext(provider, 0);
    return result;
}

bool OpenAs(PKCS7* message, PCCERT_CONTEXT holder, std::string* plain) {
    const unsigned char* der = holder->pbCertEncoded;
    X509* certificate = d2i_X509(nullptr, &der, static_cast<long>(holder->cbCertEncoded));
    EVP_PKEY* key = PrivateKeyOf(holder);
    BIO* out = BIO_new(BIO_s_mem());
    const bool opened = certificate && key && PKCS7_decrypt(message, key, certificate, out, 0) == 1;
    char* data = nullptr;
    if (opened) plain->assign(data, static_cast<size_t>(BIO_get_mem_data(out, &data)));
    ERR_clear_error();
    BIO_free(out);
    EVP_PKEY_free(key);
    X509_free(certificate);
    return opened;
}

// CryptDecryptMessage's contract: the size alone, or the plaintext when it fits.
BOOL WINAPI DecryptWithLibcrypto(PCRYPT_DECRYPT_MESSAGE_PARA para, const BYTE* bytes, DWORD size, BYTE* plain,
                                 DWORD* plainSize, PCCERT_CONTEXT* used) {
    const unsigned char* p = bytes;
    PKCS7* message = d2i_PKCS7(nullptr, &p, static_cast<long>(size));
    if (!message || !PKCS7_type_is_enveloped(message)) {
        PKCS7_free(message);
        return FALSE;
    }
    // CryptoAPI gives RC4, which has no initial vector, the parameter NULL; libcrypto reads an
    // initial vector of length 0 only from an empty octet string.
    X509_ALGOR* cipher = message->d.enveloped->enc_data->algorithm;
    if (cipher->parameter && cipher->parameter->type == V_ASN1_NULL)
        ASN1_TYPE_set_octetstring(cipher->parameter, nullptr, 0);
    std::string text;
    PCCERT_CONTEXT holder = nullptr;
    for (PCCERT_CONTEXT c = nullptr;
         !holder && (c = CertEnumCertificatesInStore(para->rghCertStore[0], c));) {
        if (OpenAs(message, c, &text)) holder = CertDuplicateCertificateContext(c);
    }
    PKCS7_free(message);
    const bool fits = holder && (!plain || *plainSize >= text.size());
    if (holder) *plainSize = static_cast<DWORD>(text.size());
    if (fits && plain) std::memcpy(plain, text.data(), text.size());
    if (fits && plain && used) {
        *used = holder;
    } else if (holder) {
        CertFreeCertificateContext(holder);
    }
    if (!fits) SetLastError(holder ? ERROR_MORE_DATA : static_cast<DWORD>(CRYPT_E_NO_DECRYPT_CERT));
    return fits;
}

HCERTSTORE HolderStore = nullptr;

HCERTSTORE OpenHolderStore() {
    return CertDuplicateStore(HolderStore);
}

const XmlCertificateDecryption kLibcryptoDecryption{OpenHolderStore, DecryptWithLibcrypto};

} // namespace

bool GetTestHolders(TestHolder* a, TestHolder* b) {
    static std::once_flag once;
    static TestHolder made[2];
    std::call_once(once, [] {
        OSSL_PROVIDER_load(nullptr, "legacy"); // RC4, the messages' content cipher
        OSSL_PROVIDER_load(nullptr, "default");
        const std::wstring folder = MakeTestFolder(L"holders");
        std::string script = "cd " + ShellQuote(UnixPath(folder)) + " && ( true";
        for (const std::string n : {"a", "b"}) {
            script += " && openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=Holder_" + n +
                      " -keyout " + n + ".key -outform DER -out " + n + ".der && openssl rsa -in " + n +
                      ".key -outform MSBLOB -out " + n + ".blob";
        }
        if (RunShell(script + " ) > make.log 2>&1") != 0) return;
        made[0] = Import(folder, L'a');
        made[1] = Import(folder, L'b');
    });
    *a = made[0];
    *b = made[1];
    return a->Certificate && b->Certificate;
}

void UseLibcryptoDecryption(HCERTSTORE store) {
    HolderStore = store;
    XmlSetCertificateDecryption(store ? &kLibcryptoDecryption : nullptr);
}
