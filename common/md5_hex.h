// MD5 digests (libcrypto) as 32 lower-case hexadecimal digits.
#pragma once

#include <cstddef>
#include <string>

std::string Md5HexOfBuffer(const void* data, size_t length);
// False, with hex untouched, when the file cannot be opened or read.
bool Md5HexOfFile(std::string& hex, const std::string& path);
