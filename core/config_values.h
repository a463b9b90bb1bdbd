// Reading the user's settings (UserConfigDocument) without fixed buffers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The text at section\key, or the default when the key is missing (a key present but empty gives "").
std::string ReadConfigText(const char* section, const char* key, const char* defaultValue = "");
int32_t ReadConfigInt(const char* section, const char* key, int32_t defaultValue);
// The bytes of a binary setting (stored as Base64 text), at most maxBytes; empty when missing.
std::vector<uint8_t> ReadConfigBinary(const char* section, const char* key, uint32_t maxBytes);
