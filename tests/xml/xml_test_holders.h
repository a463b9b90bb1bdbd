// Two certificate holders for the signing and encryption tests, made with the openssl command:
// each certificate sits in a memory store of its own, its private key in a key container named
// for the holder. Wine has no CryptDecryptMessage, so holders open enveloped messages through
// libcrypto's PKCS #7 instead.
#pragma once

#include <windows.h>

#include <wincrypt.h>

struct TestHolder {
    HCERTSTORE Store = nullptr;
    PCCERT_CONTEXT Certificate = nullptr;
};

// False when the certificates could not be made.
bool GetTestHolders(TestHolder* a, TestHolder* b);

// The library's certificate decryption then searches the store and opens messages with
// libcrypto, using the holder's certificate and the private key exported from its container.
// Null puts the system's decryption back.
void UseLibcryptoDecryption(HCERTSTORE store);
