#include "common/md5_hex.h"

#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

std::string Hex(const unsigned char* digest, unsigned int length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

struct DigestFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::string Md5HexOfBuffer(const void* data, size_t length) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (!EVP_Digest(data, length, digest, &digestLength, EVP_md5(), nullptr)) return std::string();
    return Hex(digest, digestLength);
}

namespace {

// The digest of the rest of the open file; false when it cannot be read.
bool DigestHexOfFile(std::string& hex, std::FILE* opened, const EVP_MD* kind) {
    std::unique_ptr<std::FILE, FileCloser> file(opened);
    if (!file) return false;
    std::unique_ptr<EVP_MD_CTX, DigestFree> ctx(EVP_MD_CTX_new());
    if (!ctx || !EVP_DigestInit_ex(ctx.get(), kind, nullptr)) return false;
    std::vector<unsigned char> piece(65536);
    size_t got;
    while ((got = std::fread(piece.data(), 1, piece.size(), file.get())) > 0)
        if (!EVP_DigestUpdate(ctx.get(), piece.data(), got)) return false;
    if (std::ferror(file.get())) return false;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (!EVP_DigestFinal_ex(ctx.get(), digest, &digestLength)) return false;
    hex = Hex(digest, digestLength);
    return true;
}

} // namespace

bool Md5HexOfFile(std::string& hex, const std::string& path) {
    return DigestHexOfFile(hex, std::fopen(path.c_str(), "rb"), EVP_md5());
}

bool Md5HexOfFile(std::string& hex, const std::wstring& path) {
    return DigestHexOfFile(hex, _wfopen(path.c_str(), L"rb"), EVP_md5());
}

bool Sha1HexOfFile(std::string& hex, const std::wstring& path) {
    return DigestHexOfFile(hex, _wfopen(path.c_str(), L"rb"), EVP_sha1());
}
