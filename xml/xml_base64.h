// The Base64 forms of binary values and byte text items. The only place the XML store calls the
// Base64 coders, so they can change without touching the rest.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Base64 with a CR LF after every 72 characters, as the streaming encoder writes it.
std::string XmlBase64Encode(const void* bytes, size_t length);
std::string XmlBase64Decode(std::string_view text);

// The one-line form of binary attribute values: each CR LF of the Base64 text becomes "__".
std::string XmlBinaryToText(const void* bytes, size_t length);
std::string XmlTextToBinary(std::string_view text);
