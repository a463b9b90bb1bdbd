// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, initial value and final XOR
// 0xFFFFFFFF) over buffers, byte ranges of files and whole files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class Crc32 {
public:
    // Count meaning "to the end of the file".
    static constexpr uint32_t kToEnd = 0xFFFFFFFF;
    enum Mode : int { kBuffer = 0, kNarrowFile = 1 };

    Crc32() = default;
    // Reads count bytes (kToEnd: the rest) from offset; takes the file over and closes it.
    Crc32(std::FILE* file, uint64_t offset, uint32_t count);

    // kBuffer: source is text, bytes [offset, end) with end kToEnd meaning its length; the
    // value is kept without the final inversion (an empty range gives 0xFFFFFFFF).
    // kNarrowFile: source is a file name, count bytes from offset; finished CRC, 0 when it
    // cannot be opened. Any other mode gives 0.
    static Crc32 FromSource(int mode, const char* source, uint64_t offset, uint32_t endOrCount);
    // The whole file's CRC; 0 when it cannot be opened.
    static Crc32 FromFile(const std::wstring& path);

    uint32_t Value() const { return value_; }
    // Running value after the bytes, without inversion before or after.
    static uint32_t Update(const void* data, size_t length, uint32_t running);

private:
    uint32_t value_ = 0;
};

// Standard CRC-32; 0 for no bytes.
uint32_t Crc32OfBuffer(const void* data, size_t length);
// 0 when the file cannot be opened.
uint32_t Crc32OfFile(const std::wstring& path);
