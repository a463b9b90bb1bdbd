// Certificate holders for the signing and encryption tests: three RSA certificates made with the
// openssl command, each imported with its private key into a memory store of the test's own, and
// a way for holders to open enveloped messages where the system has no CryptDecryptMessage.
#pragma once

#include <windows.h>

#include <wincrypt.h>

struct TestHolders {
    HCERTSTORE Store = nullptr; // all three, with their keys
    PCCERT_CONTEXT A = nullptr, B = nullptr, C = nullptr;
    bool Made = false;
};

const TestHolders& GetTestHolders();

// A memory store holding copies of the given certificates (with their keys).
HCERTSTORE StoreWith(PCCERT_CONTEXT first, PCCERT_CONTEXT second = nullptr);

// Makes the library's certificate decryption search `store` for holders and open messages with
// libcrypto's PKCS #7, using the holder's certificate and the private key exported from the store.
// The store stays the caller's. Null puts the system's decryption back.
void UseLibcryptoDecryption(HCERTSTORE store);
