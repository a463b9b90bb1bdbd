// Detached PKCS #7 signatures over an element's text (the exchange text), kept in the element's
// last variable "__signature__". The target is the element (index kXmlNotFound) or one of its
// children.
#pragma once

#include <windows.h>

#include <wincrypt.h>

#include <cstdint>

#include "xml/xml_records.h"

extern const char kXmlSignatureName[];

// Signs with the certificate's private key (SHA-1 with RSA; the certificate travels in the
// signature). False without a certificate, when the target is signed already, or when signing
// fails; the target is then unchanged.
bool XmlElementSign(XmlElement* element, uint32_t index, PCCERT_CONTEXT signer);
// True only when the first "__signature__" verifies over the target's text as it is now; that
// variable is moved to the last place either way. *signer (when given) receives the signer's
// certificate on success, which the caller frees.
bool XmlElementVerifySignature(XmlElement* element, uint32_t index, PCCERT_CONTEXT* signer);
XmlVariable* XmlElementFindSignature(XmlElement* element, uint32_t index);
// Removes every "__signature__" of the target; false only when the index is out of range.
bool XmlElementRemoveSignatures(XmlElement* element, uint32_t index);
