// AES (libcrypto) in electronic code book mode: every 16-byte block on its own, no chaining
// and no initialisation vector; data is padded with blanks to whole blocks.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

struct evp_cipher_ctx_st;

constexpr size_t kAesBlockSize = 16;

inline size_t AesPaddedLength(size_t length) {
    return (length + kAesBlockSize - 1) / kAesBlockSize * kAesBlockSize;
}

// keyBits / 8 bytes: the first bytes of the material, then zero bytes.
std::vector<unsigned char> AesKeyBytes(std::string_view material, int keyBits);

// One key schedule for one direction.
class AesEcb {
public:
    // key holds keyBits / 8 bytes; keyBits 128, 192 or 256.
    AesEcb(const unsigned char* key, int keyBits, bool encrypt);
    ~AesEcb();
    AesEcb(const AesEcb&) = delete;
    AesEcb& operator=(const AesEcb&) = delete;

    // False for an unsupported key size.
    bool Ready() const { return ctx_ != nullptr; }
    // length is a multiple of 16; in and out may be the same buffer.
    bool Run(const unsigned char* in, unsigned char* out, size_t length);

private:
    evp_cipher_ctx_st* ctx_ = nullptr;
};

// Encrypts or decrypts a blank-padded copy of the data into out (padded length). The key is
// read as AesKeyBytes(key, keyBits). False, with out empty, for an unsupported key size.
bool AesCryptBuffer(std::string_view key, int keyBits, const void* data, size_t length, bool encrypt,
                    std::vector<unsigned char>& out);
