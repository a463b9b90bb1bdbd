#include "xml/xml_base64.h"

#include "common/base64.h"

std::string XmlBase64Encode(const void* bytes, size_t length) {
    return Base64EncodeText(bytes, length, false);
}

std::string XmlBase64Decode(std::string_view text) {
    std::vector<unsigned char> bytes = Base64DecodeText(text, false);
    return std::string(bytes.begin(), bytes.end());
}

namespace {

// Each pair of characters replaced by another pair, left to right, so a run "___" of the pair
// "__" becomes the other pair followed by '_'.
std::string ReplacePairs(std::string_view text, const char (&pair)[3], const char (&with)[3]) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == pair[0] && i + 1 < text.size() && text[i + 1] == pair[1]) {
            out += with;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::string XmlBinaryToText(const void* bytes, size_t length) {
    return ReplacePairs(XmlBase64Encode(bytes, length), "\r\n", "__");
}

std::string XmlTextToBinary(std::string_view text) {
    return XmlBase64Decode(ReplacePairs(text, "__", "\r\n"));
}
