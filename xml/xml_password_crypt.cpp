#include "xml/xml_password_crypt.h"

#include "xml/xml_element.h"
#include "xml/xml_exchange.h"

#include <windows.h>

#include <wincrypt.h>

#include <cstring>

namespace {

// Releases what the crypt call acquired, in the reverse order.
struct CryptHandles {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    HCRYPTKEY key = 0;
    ~CryptHandles() {
        if (key) CryptDestroyKey(key);
        if (hash) CryptDestroyHash(hash);
        if (provider) CryptReleaseContext(provider, 0);
    }
};

size_t PasswordLength(const char* password) {
    return password ? std::strlen(password) : 0;
}

// The plaintext made back into an element only when it reads as one: a wrong password that
// slips past the padding check gives bytes that do not.
XmlElement* ElementFromPlaintext(const std::string& plain) {
    size_t start = plain.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || plain[start] != '<' || plain.find('\0') != std::string::npos)
        return nullptr;
    return XmlElementFromText(plain.c_str());
}

// Replaces the child at the index by made (placed first), freeing the old one.
bool PutFirst(XmlElement* element, uint32_t index, XmlElement* made) {
    if (!made) return false;
    XmlElement* old = nullptr;
    XmlElementDetachChild(element, index, &old);
    XmlElementFree(old);
    XmlElementInsertChild(element, 0, made);
    return true;
}

} // namespace

bool XmlPasswordCrypt(bool decrypt, const void* password, size_t passwordLength, const void* data,
                      size_t length, std::string* out) {
    if (!data || length == 0 || !out || (!password && passwordLength) || length >= MAXDWORD - 64 ||
        passwordLength > MAXDWORD) {
        return false;
    }
    // No stored key is used, so a verify context serves where no default container exists.
    CryptHandles h;
    if (!CryptAcquireContextW(&h.provider, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(h.provider, CALG_SHA1, 0, 0, &h.hash) ||
        !CryptHashData(h.hash, static_cast<const BYTE*>(password), static_cast<DWORD>(passwordLength), 0) ||
        !CryptDeriveKey(h.provider, CALG_AES_256, h.hash, 0, &h.key)) {
        return false;
    }
    std::string buffer;
    DWORD size = static_cast<DWORD>(length);
    if (decrypt) {
        buffer.assign(static_cast<const char*>(data), length);
        if (!CryptDecrypt(h.key, 0, TRUE, 0, reinterpret_cast<BYTE*>(buffer.data()), &size)) return false;
    } else {
        if (!CryptEncrypt(h.key, 0, TRUE, 0, nullptr, &size, 0)) return false;
        const DWORD capacity = size + 1;
        buffer.assign(capacity, '\0');
        std::memcpy(buffer.data(), data, length);
        size = static_cast<DWORD>(length);
        if (!CryptEncrypt(h.key, 0, TRUE, 0, reinterpret_cast<BYTE*>(buffer.data()), &size, capacity))
            return false;
    }
    if (size > buffer.size()) return false;
    buffer.resize(size);
    out->swap(buffer);
    return true;
}

XmlElement* XmlElementEncryptWithPassword(XmlElement* element, const char* password) {
    if (!element) return nullptr;
    const std::string text = XmlElementExchangeText(element);
    std::string cipher;
    if (!XmlPasswordCrypt(false, password, PasswordLength(password), text.data(), text.size(), &cipher))
        return nullptr;
    XmlElement* encrypted = XmlElementCreate(nullptr, "<el />");
    XmlElementSetName(encrypted, XmlElementGetNameString(element).c_str());
    XmlText* item = XmlElementAddTextBytes(encrypted, cipher.data(), cipher.size(), 0);
    item->position = 0;
    return encrypted;
}

XmlElement* XmlElementDecryptWithPassword(XmlElement* element, const char* password) {
    if (!element || element->texts.Count() != 1) return nullptr;
    const std::string cipher = XmlTextGetBytes(element->texts.At(0));
    std::string plain;
    if (cipher.empty() ||
        !XmlPasswordCrypt(true, password, PasswordLength(password), cipher.data(), cipher.size(), &plain))
        return nullptr;
    return ElementFromPlaintext(plain);
}

bool XmlElementEncryptChildWithPassword(XmlElement* element, uint32_t index, const char* password) {
    if (!element || index == kXmlNotFound) return false;
    XmlElement* child = XmlElementSelectTarget(element, index);
    return child && PutFirst(element, index, XmlElementEncryptWithPassword(child, password));
}

bool XmlElementDecryptChildWithPassword(XmlElement* element, uint32_t index, const char* password) {
    if (!element || index == kXmlNotFound) return false;
    XmlElement* child = XmlElementSelectTarget(element, index);
    return child && PutFirst(element, index, XmlElementDecryptWithPassword(child, password));
}
