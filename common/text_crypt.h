// Texts encrypted with a pass phrase into one line of Base64 and back. The line carries the
// AES-256 blocks of the blank-padded text and the text's length before padding (4 bytes,
// little-endian); "||" stands for the encoder's line breaks. The key is the pass phrase's
// first 32 bytes followed by zero bytes.
#pragma once

#include <string>
#include <string_view>

std::string EncryptText(std::string_view passPhrase, std::string_view text);
// False, with text empty, when the line is not such a text: under 4 bytes decoded, cipher
// blocks that are not whole, or a stored length beyond them.
bool DecryptText(std::string_view passPhrase, std::string_view encrypted, std::string& text);
