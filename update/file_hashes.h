// The hashes the updater compares: SHA-1 of a whole file as 40 upper-case hexadecimal digits and
// CRC-32 as an unsigned decimal number, and the published values read from a hash list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A file that cannot be opened hashes as no bytes.
std::wstring FileSha1Hex(const std::wstring& path);
std::wstring FileCrc32Text(const std::wstring& path);

// Whether a published value can be a hash of that kind: 40 hexadecimal digits, or a decimal
// number of at most 32 bits.
bool IsSha1Text(std::wstring_view text);
bool IsCrc32Text(std::wstring_view text);

// The value of the key in the list's "Hash" section (at most 99 characters; empty when absent).
std::wstring ReadHashListValue(const std::wstring& listPath, const std::wstring& key);
