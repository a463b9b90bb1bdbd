#include "common/text_crypt.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/aes_crypt.h"
#include "common/base64.h"

namespace {

constexpr int kTextKeyBits = 256;
constexpr size_t kLengthSize = 4;

} // namespace

std::string EncryptText(std::string_view passPhrase, std::string_view text) {
    if (text.size() > UINT32_MAX) return std::string();
    const std::vector<unsigned char> key = AesKeyBytes(passPhrase, kTextKeyBits);
    AesEcb aes(key.data(), kTextKeyBits, true);
    const size_t padded = AesPaddedLength(text.size());
    std::vector<unsigned char> work(padded + kLengthSize, ' ');
    if (!text.empty()) std::memcpy(work.data(), text.data(), text.size());
    if (!aes.Run(work.data(), work.data(), padded)) return std::string();
    const uint32_t length = static_cast<uint32_t>(text.size());
    for (size_t i = 0; i < kLengthSize; ++i) work[padded + i] = static_cast<unsigned char>(length >> (8 * i));
    return Base64EncodeText(work.data(), work.size(), true);
}

bool DecryptText(std::string_view passPhrase, std::string_view encrypted, std::string& text) {
    text.clear();
    std::vector<unsigned char> work = Base64DecodeText(encrypted, true);
    if (work.size() < kLengthSize) return false;
    const size_t cipherLength = work.size() - kLengthSize;
    if (cipherLength % kAesBlockSize != 0) return false;
    uint32_t length = 0;
    for (size_t i = 0; i < kLengthSize; ++i) length |= uint32_t(work[cipherLength + i]) << (8 * i);
    if (length > cipherLength) return false;

    const std::vector<unsigned char> key = AesKeyBytes(passPhrase, kTextKeyBits);
    AesEcb aes(key.data(), kTextKeyBits, false);
    if (!aes.Run(work.data(), work.data(), cipherLength)) return false;
    text.assign(reinterpret_cast<const char*>(work.data()), length);
    return true;
}
