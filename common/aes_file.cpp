#include "common/aes_file.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/aes_crypt.h"
#include "common/replacing_file.h"

namespace {

constexpr size_t kFileKeyLength = 16;
constexpr size_t kPiece = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool AesCryptFile(std::string_view key, int keyBits, const std::wstring& inputPath,
                  const std::wstring& outputPath, bool encrypt) {
    std::unique_ptr<std::FILE, FileCloser> input(_wfopen(inputPath.c_str(), L"rb"));
    if (!input) return false;
    const std::vector<unsigned char> keyBytes = AesKeyBytes(key.substr(0, kFileKeyLength), keyBits);
    AesEcb aes(keyBytes.data(), keyBits, encrypt);
    if (!aes.Ready()) return false;

    ReplacingFile output(outputPath);
    if (!output.IsOpen()) return false;
    // Blocks are independent, so the file goes through in pieces; only the last is padded.
    std::vector<unsigned char> piece(kPiece);
    for (;;) {
        const size_t got = std::fread(piece.data(), 1, piece.size(), input.get());
        if (got < piece.size() && std::ferror(input.get())) return false;
        const size_t padded = AesPaddedLength(got);
        std::fill(piece.begin() + static_cast<ptrdiff_t>(got), piece.begin() + static_cast<ptrdiff_t>(padded),
                  ' ');
        if (!aes.Run(piece.data(), piece.data(), padded)) return false;
        if (!output.Write(piece.data(), padded)) return false;
        if (got < piece.size()) break;
    }
    // Closed first: the output may replace the input itself.
    input.reset();
    return output.Commit();
}

bool EncryptFileAes(std::string_view key, int keyBits, const std::wstring& inputPath,
                    const std::wstring& outputPath) {
    return AesCryptFile(key, keyBits, inputPath, outputPath, true);
}

bool DecryptFileAes(std::string_view key, int keyBits, const std::wstring& inputPath,
                    const std::wstring& outputPath) {
    return AesCryptFile(key, keyBits, inputPath, outputPath, false);
}

bool CryptFileWithPassphrase(const std::wstring& inputPath, const std::wstring& outputPath,
                             std::string_view passPhrase, bool decrypt) {
    if (decrypt) return DecryptFileAes(passPhrase, 256, inputPath, outputPath);
    if (!EncryptFileAes(passPhrase, 256, inputPath, outputPath)) return false;
    const DWORD attributes = GetFileAttributesW(outputPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(outputPath.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
    return true;
}
