// Encryption of an element's text with a password: AES-256 with a key derived from the SHA-1 of
// the password bytes. The encrypted element is named like the target and holds one text item
// with the Base64 of the ciphertext. Nothing keeps the password or the key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "xml/xml_records.h"

// Encrypts or decrypts the bytes into *out. False when an argument is missing, the data is
// empty, or the provider refuses (a wrong password mostly fails the padding check here).
bool XmlPasswordCrypt(bool decrypt, const void* password, size_t passwordLength, const void* data,
                      size_t length, std::string* out);

// A new free-standing encrypted element, or null.
XmlElement* XmlElementEncryptWithPassword(XmlElement* element, const char* password);
// A new free-standing element rebuilt from the plaintext, or null: also when the password is
// wrong, which never yields an element.
XmlElement* XmlElementDecryptWithPassword(XmlElement* element, const char* password);
// Replace the child at the index by its encrypted (decrypted) form, placed first among the
// children. False, with nothing changed, when the index is out of range or the operation fails.
bool XmlElementEncryptChildWithPassword(XmlElement* element, uint32_t index, const char* password);
bool XmlElementDecryptChildWithPassword(XmlElement* element, uint32_t index, const char* password);
