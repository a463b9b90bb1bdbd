#include "xml/xml_signing.h"

#include "xml/xml_base64.h"
#include "xml/xml_element.h"
#include "xml/xml_escape.h"
#include "xml/xml_exchange.h"

#include <string>
#include <vector>

const char kXmlSignatureName[] = "__signature__";

namespace {

constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

uint32_t SignatureIndex(const XmlElement* e) {
    for (uint32_t i = 0; i < e->variables.Count(); ++i) {
        if (XmlStoredEquals(e->variables.At(i)->name, kXmlSignatureName)) return i;
    }
    return kXmlNotFound;
}

} // namespace

bool XmlElementSign(XmlElement* element, uint32_t index, PCCERT_CONTEXT signer) {
    XmlElement* target = XmlElementSelectTarget(element, index);
    if (!target || !signer || SignatureIndex(target) != kXmlNotFound) return false;
    const std::string text = XmlElementExchangeText(target);
    if (text.size() > MAXDWORD) return false;

    CRYPT_SIGN_MESSAGE_PARA para{};
    para.cbSize = sizeof(para);
    para.dwMsgEncodingType = kEncodings;
    para.pSigningCert = signer;
    para.HashAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    para.cMsgCert = 1;
    para.rgpMsgCert = &signer;
    const BYTE* parts[] = {reinterpret_cast<const BYTE*>(text.data())};
    DWORD partSizes[] = {static_cast<DWORD>(text.size())};

    DWORD size = 0;
    if (!CryptSignMessage(&para, TRUE, 1, parts, partSizes, nullptr, &size)) return false;
    std::vector<BYTE> signature(size + 100);
    size = static_cast<DWORD>(signature.size());
    if (!CryptSignMessage(&para, TRUE, 1, parts, partSizes, signature.data(), &size)) return false;
    return XmlElementAddBinaryVariable(target, kXmlSignatureName, signature.data(), size) != nullptr;
}

bool XmlElementVerifySignature(XmlElement* element, uint32_t index, PCCERT_CONTEXT* signer) {
    if (signer) *signer = nullptr;
    XmlElement* target = XmlElementSelectTarget(element, index);
    if (!target) return false;
    const uint32_t at = SignatureIndex(target);
    if (at == kXmlNotFound) return false;
    XmlVariable* variable = target->variables.At(at);
    const std::string signature = XmlTextToBinary(XmlUnescape(variable->value));

    // The text signed had the signature nowhere; it is taken out, and put back as the last
    // variable, where signing put it.
    const uint32_t key = target->variables.Key(at);
    target->variables.Erase(at);
    const std::string text = XmlElementExchangeText(target);
    target->variables.Append(variable, key);
    if (signature.empty() || signature.size() > MAXDWORD || text.size() > MAXDWORD) return false;

    CRYPT_VERIFY_MESSAGE_PARA para{};
    para.cbSize = sizeof(para);
    para.dwMsgAndCertEncodingType = kEncodings;
    const BYTE* parts[] = {reinterpret_cast<const BYTE*>(text.data())};
    DWORD partSizes[] = {static_cast<DWORD>(text.size())};
    return CryptVerifyDetachedMessageSignature(&para, 0, reinterpret_cast<const BYTE*>(signature.data()),
                                               static_cast<DWORD>(signature.size()), 1, parts, partSizes,
                                               signer) != FALSE;
}

XmlVariable* XmlElementFindSignature(XmlElement* element, uint32_t index) {
    XmlElement* target = XmlElementSelectTarget(element, index);
    if (!target) return nullptr;
    const uint32_t at = SignatureIndex(target);
    return at == kXmlNotFound ? nullptr : target->variables.At(at);
}

bool XmlElementRemoveSignatures(XmlElement* element, uint32_t index) {
    XmlElement* target = XmlElementSelectTarget(element, index);
    if (!target) return false;
    for (uint32_t at; (at = SignatureIndex(target)) != kXmlNotFound;) XmlElementRemoveVariable(target, at);
    return true;
}
