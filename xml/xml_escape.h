// Escaping of names, attribute values and text items, and comparison of stored (escaped) names
// with plain ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// XML 1.0 allows no C0 control character but tab, LF and CR, not even as a reference. The others
// are kept as references to their pictures (U+2400 + code, "&#x2401;" for U+0001), which the
// unescaping turns back: other programs read a visible stand-in, this one the value as it was.
bool XmlIsForbiddenControl(char c);
void XmlAppendControlReference(std::string& out, char control);
// The picture itself (UTF-8), for text that has no references (comments).
void XmlAppendControlPicture(std::string& out, char control);

// Every '&', '<', '>', '"' and '\'' becomes its entity, every forbidden control character its
// picture's reference.
std::string XmlEscape(std::string_view plain);
void XmlEscapeAppend(std::string& out, std::string_view plain);

// The five named entities and numeric references (decimal or hexadecimal, ended by ';', of a
// valid code point other than 0) become their characters, references to the pictures of forbidden
// control characters those characters; any other '&' stays as it is.
std::string XmlUnescape(std::string_view stored);
// Into a caller's buffer that holds stored.size() + 1 bytes; returns the length written.
size_t XmlUnescapeInto(std::string_view stored, char* out);

// FNV-1a of the unescaped form.
uint32_t XmlPlainHash(std::string_view plain);
uint32_t XmlStoredHash(std::string_view stored);
// The stored text equals the plain text once unescaped.
bool XmlStoredEquals(std::string_view stored, std::string_view plain);
