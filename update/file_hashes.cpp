#include "update/file_hashes.h"

#include "common/crc32.h"

#include <openssl/evp.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct DigestFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::wstring UpperHex(const unsigned char* bytes, unsigned int length) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 15];
    }
    return hex;
}

} // namespace

std::wstring FileSha1Hex(const std::wstring& path) {
    std::unique_ptr<EVP_MD_CTX, DigestFree> context(EVP_MD_CTX_new());
    if (!context || !EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr)) return std::wstring();
    std::unique_ptr<std::FILE, FileClose> file(_wfopen(path.c_str(), L"rb"));
    if (file) {
        std::vector<unsigned char> piece(65536);
        size_t got;
        while ((got = std::fread(piece.data(), 1, piece.size(), file.get())) > 0)
            if (!EVP_DigestUpdate(context.get(), piece.data(), got)) return std::wstring();
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_DigestFinal_ex(context.get(), digest, &length)) return std::wstring();
    return UpperHex(digest, length);
}

std::wstring FileCrc32Text(const std::wstring& path) {
    return std::to_wstring(Crc32OfFile(path));
}

bool IsSha1Text(std::wstring_view text) {
    if (text.size() != 40) return false;
    for (wchar_t c : text)
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'))) return false;
    return true;
}

bool IsCrc32Text(std::wstring_view text) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    return value <= 0xFFFFFFFFu;
}

std::wstring ReadHashListValue(const std::wstring& listPath, const std::wstring& key) {
    wchar_t value[100] = {};
    GetPrivateProfileStringW(L"Hash", key.c_str(), L"", value, 100, listPath.c_str());
    return value;
}
