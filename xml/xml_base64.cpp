#include "xml/xml_base64.h"

#include "common/base64.h"

std::string XmlBase64Encode(const void* bytes, size_t length) {
    return Base64EncodeText(bytes, length, false);
}

std::string XmlBase64Decode(std::string_view text) {
    std::vector<unsigned char> bytes = Base64DecodeText(text, false);
    return std::string(bytes.begin(), bytes.end());
}

std::string XmlBinaryToText(const void* bytes, size_t length) {
    std::string text = XmlBase64Encode(bytes, length);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "__";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Left to right, so a run "___" becomes CR LF followed by '_'.
std::string XmlTextToBinary(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_' && i + 1 < text.size() && text[i + 1] == '_') {
            lines += "\r\n";
            ++i;
        } else {
            lines += text[i];
        }
    }
    return XmlBase64Decode(lines);
}
