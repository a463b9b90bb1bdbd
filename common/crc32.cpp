#include "common/crc32.h"

#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320;
constexpr size_t kReadPiece = 16384;

// Slicing by eight: table k gives the CRC of a byte followed by k zero bytes, so eight
// input bytes are folded per step with independent look-ups.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 255];
    return t;
}
constexpr Tables kTables = MakeTables();

inline uint32_t LoadLittle32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Finished CRC of count bytes from offset (kToEnd: to the end), read in pieces.
uint32_t CrcOfStream(FilePtr file, uint64_t offset, uint32_t count) {
    uint32_t value = 0xFFFFFFFF;
    if (_fseeki64(file.get(), static_cast<long long>(offset), SEEK_SET) != 0) return ~value;
    std::vector<unsigned char> piece(kReadPiece);
    const bool toEnd = count == Crc32::kToEnd;
    uint64_t left = count;
    while (toEnd || left > 0) {
        const size_t want = toEnd || left > kReadPiece ? kReadPiece : static_cast<size_t>(left);
        const size_t got = std::fread(piece.data(), 1, want, file.get());
        if (got == 0) break;
        value = Crc32::Update(piece.data(), got, value);
        left -= got;
    }
    return ~value;
}

} // namespace

uint32_t Crc32::Update(const void* data, size_t length, uint32_t running) {
    const auto* p = static_cast<const unsigned char*>(data);
    uint32_t c = running;
    for (; length >= 8; length -= 8, p += 8) {
        const uint32_t low = LoadLittle32(p) ^ c;
        const uint32_t high = LoadLittle32(p + 4);
        c = kTables[7][low & 255] ^ kTables[6][(low >> 8) & 255] ^ kTables[5][(low >> 16) & 255] ^
            kTables[4][low >> 24] ^ kTables[3][high & 255] ^ kTables[2][(high >> 8) & 255] ^
            kTables[1][(high >> 16) & 255] ^ kTables[0][high >> 24];
    }
    for (; length > 0; --length) c = kTables[0][(c ^ *p++) & 255] ^ (c >> 8);
    return c;
}

Crc32::Crc32(std::FILE* file, uint64_t offset, uint32_t count) {
    if (file) value_ = CrcOfStream(FilePtr(file), offset, count);
}

Crc32 Crc32::FromSource(int mode, const char* source, uint64_t offset, uint32_t endOrCount) {
    Crc32 crc;
    if (!source) return crc;
    if (mode == kBuffer) {
        const uint64_t end = endOrCount == kToEnd ? std::strlen(source) : endOrCount;
        crc.value_ = 0xFFFFFFFF;
        if (offset < end) crc.value_ = Update(source + offset, static_cast<size_t>(end - offset), 0xFFFFFFFF);
    } else if (mode == kNarrowFile) {
        if (std::FILE* file = std::fopen(source, "rb")) crc = Crc32(file, offset, endOrCount);
    }
    return crc;
}

Crc32 Crc32::FromFile(const std::wstring& path) {
    Crc32 crc;
    if (std::FILE* file = _wfopen(path.c_str(), L"rb")) crc = Crc32(file, 0, kToEnd);
    return crc;
}

uint32_t Crc32OfBuffer(const void* data, size_t length) {
    if (length == 0) return 0;
    return ~Crc32::Update(data, length, 0xFFFFFFFF);
}

uint32_t Crc32OfFile(const std::wstring& path) {
    return Crc32::FromFile(path).Value();
}
