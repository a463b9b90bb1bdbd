// Escaping of names, attribute values and text items, and comparison of stored (escaped) names
// with plain ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Every '&', '<', '>', '"' and '\'' becomes its entity.
std::string XmlEscape(std::string_view plain);
void XmlEscapeAppend(std::string& out, std::string_view plain);

// The five named entities and numeric references (decimal or hexadecimal, ended by ';', of a
// valid code point other than 0) become their characters; any other '&' stays as it is.
std::string XmlUnescape(std::string_view stored);
// Into a caller's buffer that holds stored.size() + 1 bytes; returns the length written.
size_t XmlUnescapeInto(std::string_view stored, char* out);

// FNV-1a of the unescaped form.
uint32_t XmlPlainHash(std::string_view plain);
uint32_t XmlStoredHash(std::string_view stored);
// The stored text equals the plain text once unescaped.
bool XmlStoredEquals(std::string_view stored, std::string_view plain);
