#include "common/aes_crypt.h"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>
#include <cstring>

std::vector<unsigned char> AesKeyBytes(std::string_view material, int keyBits) {
    std::vector<unsigned char> key(static_cast<size_t>(std::max(keyBits, 0)) / 8, 0);
    const size_t kept = std::min(material.size(), key.size());
    if (kept > 0) std::memcpy(key.data(), material.data(), kept);
    return key;
}

AesEcb::AesEcb(const unsigned char* key, int keyBits, bool encrypt) {
    const EVP_CIPHER* cipher = keyBits == 128   ? EVP_aes_128_ecb()
                               : keyBits == 192 ? EVP_aes_192_ecb()
                               : keyBits == 256 ? EVP_aes_256_ecb()
                                                : nullptr;
    if (!cipher) return;
    ctx_ = EVP_CIPHER_CTX_new();
    if (!ctx_) return;
    if (!EVP_CipherInit_ex(ctx_, cipher, nullptr, key, nullptr, encrypt ? 1 : 0) ||
        !EVP_CIPHER_CTX_set_padding(ctx_, 0)) {
        EVP_CIPHER_CTX_free(ctx_);
        ctx_ = nullptr;
    }
}

AesEcb::~AesEcb() {
    EVP_CIPHER_CTX_free(ctx_);
}

bool AesEcb::Run(const unsigned char* in, unsigned char* out, size_t length) {
    if (!ctx_ || length % kAesBlockSize != 0) return false;
    // libcrypto counts in int: large buffers go in pieces of whole blocks.
    constexpr size_t kPiece = (INT_MAX / 2) / kAesBlockSize * kAesBlockSize;
    while (length > 0) {
        const size_t piece = std::min(length, kPiece);
        int written = 0;
        if (!EVP_CipherUpdate(ctx_, out, &written, in, static_cast<int>(piece)) ||
            static_cast<size_t>(written) != piece)
            return false;
        in += piece;
        out += piece;
        length -= piece;
    }
    return true;
}

bool AesCryptBuffer(std::string_view key, int keyBits, const void* data, size_t length, bool encrypt,
                    std::vector<unsigned char>& out) {
    out.clear();
    const std::vector<unsigned char> keyBytes = AesKeyBytes(key, keyBits);
    AesEcb aes(keyBytes.data(), keyBits, encrypt);
    if (!aes.Ready()) return false;
    out.assign(AesPaddedLength(length), ' ');
    if (length > 0) std::memcpy(out.data(), data, length);
    if (!aes.Run(out.data(), out.data(), out.size())) {
        out.clear();
        return false;
    }
    return true;
}
