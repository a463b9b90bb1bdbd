// MD5 and SHA-1 digests (libcrypto) as lower-case hexadecimal digits (32 and 40).
#pragma once

#include <cstddef>
#include <string>

std::string Md5HexOfBuffer(const void* data, size_t length);
// False, with hex untouched, when the file cannot be opened or read.
bool Md5HexOfFile(std::string& hex, const std::string& path);
bool Md5HexOfFile(std::string& hex, const std::wstring& path);
// The SHA-1 of the file as 40 lower-case hexadecimal digits; false as above.
bool Sha1HexOfFile(std::string& hex, const std::wstring& path);
