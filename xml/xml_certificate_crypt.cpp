#include "xml/xml_certificate_crypt.h"

#include "xml/xml_base64.h"
#include "xml/xml_element.h"
#include "xml/xml_escape.h"
#include "xml/xml_exchange.h"

#include <atomic>
#include <string>
#include <vector>

namespace {

constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

HCERTSTORE OpenCurrentUserStore() {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, X509_ASN_ENCODING, 0,
                         CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_DEFER_CLOSE_UNTIL_LAST_FREE_FLAG, L"MY");
}

const XmlCertificateDecryption kSystemDecryption{OpenCurrentUserStore, CryptDecryptMessage};
std::atomic<const XmlCertificateDecryption*> Decryption{&kSystemDecryption};

} // namespace

void XmlSetCertificateDecryption(const XmlCertificateDecryption* decryption) {
    Decryption = decryption ? decryption : &kSystemDecryption;
}

XmlElement* XmlElementEncryptForCertificates(XmlElement* element, uint32_t index, PCCERT_CONTEXT* recipients,
                                             uint32_t count) {
    XmlElement* target = XmlElementSelectTarget(element, index);
    if (!target || !recipients || count == 0) return nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        if (!recipients[i]) return nullptr;
    }
    const std::string text = XmlElementExchangeText(target);
    if (text.size() > MAXDWORD) return nullptr;

    // The session key only needs a provider, never a stored key: a verify context works on a
    // machine without a default key container.
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return nullptr;
    CRYPT_ENCRYPT_MESSAGE_PARA para{};
    para.cbSize = sizeof(para);
    para.dwMsgEncodingType = kEncodings;
    para.hCryptProv = provider;
    para.ContentEncryptionAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_RC4);
    const BYTE* plain = reinterpret_cast<const BYTE*>(text.data());
    const DWORD plainSize = static_cast<DWORD>(text.size());

    std::vector<BYTE> message;
    DWORD size = 0;
    bool ok = CryptEncryptMessage(&para, count, recipients, plain, plainSize, nullptr, &size);
    if (ok) {
        message.resize(size + 100);
        size = static_cast<DWORD>(message.size());
        ok = CryptEncryptMessage(&para, count, recipients, plain, plainSize, message.data(), &size);
    }
    CryptReleaseContext(provider, 0);
    if (!ok) return nullptr;

    XmlElement* encrypted = XmlElementCreate(nullptr, "<e />");
    XmlElementSetName(encrypted, XmlElementGetNameString(target).c_str());
    XmlElementAddBinaryVariable(encrypted, "v", message.data(), size);
    return encrypted;
}

XmlElement* XmlElementDecryptWithCertificate(XmlElement* element, uint32_t index, PCCERT_CONTEXT* used) {
    if (used) *used = nullptr;
    XmlElement* target = XmlElementSelectTarget(element, index);
    XmlVariable* variable = target ? XmlElementFindVariableView(target, "v") : nullptr;
    if (!variable) return nullptr;
    const std::string message = XmlTextToBinary(XmlUnescape(variable->value));
    if (message.empty() || message.size() > MAXDWORD) return nullptr;

    const XmlCertificateDecryption* decryption = Decryption;
    HCERTSTORE store = decryption->openHolderStore();
    if (!store) return nullptr;
    CRYPT_DECRYPT_MESSAGE_PARA para{};
    para.cbSize = sizeof(para);
    para.dwMsgAndCertEncodingType = kEncodings;
    para.cCertStore = 1;
    para.rghCertStore = &store;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(message.data());
    const DWORD messageSize = static_cast<DWORD>(message.size());

    std::string plain;
    DWORD size = 0;
    PCCERT_CONTEXT holder = nullptr;
    bool ok = decryption->decryptMessage(&para, bytes, messageSize, nullptr, &size, nullptr);
    if (ok) {
        plain.assign(static_cast<size_t>(size) + 100, '\0');
        size = static_cast<DWORD>(plain.size());
        ok = decryption->decryptMessage(&para, bytes, messageSize, reinterpret_cast<BYTE*>(plain.data()),
                                        &size, &holder);
    }
    CertCloseStore(store, 0);
    if (!ok || size > plain.size()) {
        if (holder) CertFreeCertificateContext(holder);
        return nullptr;
    }
    plain.resize(size);
    XmlElement* decrypted = XmlElementFromText(plain.c_str());
    if (decrypted && used) {
        *used = holder;
    } else if (holder) {
        CertFreeCertificateContext(holder);
    }
    return decrypted;
}
