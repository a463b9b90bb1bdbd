// Encryption of an element's text for the holders of given certificates (a PKCS #7 enveloped
// message kept in the variable "v" of a new element named like the target), and decryption by
// a holder whose certificate and private key are in the holders' store.
#pragma once

#include <windows.h>

#include <wincrypt.h>

#include <cstdint>

#include "xml/xml_records.h"

// A new free-standing element holding the target's text encrypted for every recipient (at least
// one), or null.
XmlElement* XmlElementEncryptForCertificates(XmlElement* element, uint32_t index, PCCERT_CONTEXT* recipients,
                                             uint32_t count);
// A new free-standing element rebuilt from the decrypted text, or null. *used (when given)
// receives the holder's certificate that opened the message, which the caller frees.
XmlElement* XmlElementDecryptWithCertificate(XmlElement* element, uint32_t index, PCCERT_CONTEXT* used);

// How holders open a message: the store their certificates and keys are found in (the current
// user's "MY"), and the call that opens the message with it (CryptDecryptMessage).
struct XmlCertificateDecryption {
    HCERTSTORE (*openHolderStore)();
    BOOL(WINAPI* decryptMessage)
    (PCRYPT_DECRYPT_MESSAGE_PARA para, const BYTE* message, DWORD messageSize, BYTE* plain, DWORD* plainSize,
     PCCERT_CONTEXT* used);
};
// Replaces how holders open messages (the caller keeps the record alive); null puts back the
// system's.
void XmlSetCertificateDecryption(const XmlCertificateDecryption* decryption);
