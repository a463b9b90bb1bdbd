#include "xml/xml_base64.h"

#include <cstdint>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DecodeChar(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

} // namespace

std::string XmlBase64Encode(const void* bytes, size_t length) {
    const uint8_t* in = static_cast<const uint8_t*>(bytes);
    std::string out;
    out.reserve(length / 3 * 4 + length / 54 * 2 + 8);
    size_t line = 0;
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        uint32_t v = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8) | in[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
        line += 4;
        if (line == 72) {
            out += "\r\n";
            line = 0;
        }
    }
    size_t rest = length - i;
    if (rest) {
        uint32_t v = uint32_t(in[i]) << 16;
        if (rest == 2) v |= uint32_t(in[i + 1]) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string XmlBase64Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    char group[4];
    int n = 0;
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\r' || c == '\n') continue;
        if (c != '=' && DecodeChar(c) < 0) continue;
        group[n++] = static_cast<char>(c);
        if (n < 4) continue;
        n = 0;
        if (group[0] == '=' || group[1] == '=') continue;
        int d0 = DecodeChar(group[0]), d1 = DecodeChar(group[1]);
        out += static_cast<char>((d0 << 2) | (d1 >> 4));
        if (group[2] == '=') continue;
        int d2 = DecodeChar(group[2]);
        out += static_cast<char>(((d1 & 15) << 4) | (d2 >> 2));
        if (group[3] == '=') continue;
        out += static_cast<char>(((d2 & 3) << 6) | DecodeChar(group[3]));
    }
    return out;
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
