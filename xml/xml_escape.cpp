#include "xml/xml_escape.h"

#include <cstring>

static bool HasAmpersand(std::string_view s) {
    return !s.empty() && std::memchr(s.data(), '&', s.size()) != nullptr;
}

constexpr char32_t kControlPictures = 0x2400;

bool XmlIsForbiddenControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 && u != '\t' && u != '\n' && u != '\r';
}

void XmlAppendControlReference(std::string& out, char control) {
    static const char kHex[] = "0123456789ABCDEF";
    const auto u = static_cast<unsigned char>(control);
    out += "&#x24";
    out += kHex[u >> 4];
    out += kHex[u & 15];
    out += ';';
}

void XmlAppendControlPicture(std::string& out, char control) {
    out += "\xE2\x90";
    out += static_cast<char>(0x80 | static_cast<unsigned char>(control));
}

void XmlEscapeAppend(std::string& out, std::string_view plain) {
    size_t extra = 0;
    for (char c : plain) {
        switch (c) {
            case '&': extra += 4; break;
            case '<':
            case '>': extra += 3; break;
            case '"':
            case '\'': extra += 5; break;
            default:
                if (XmlIsForbiddenControl(c)) extra += 7;
                break;
        }
    }
    if (extra == 0) {
        out.append(plain);
        return;
    }
    out.reserve(out.size() + plain.size() + extra);
    for (char c : plain) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                if (XmlIsForbiddenControl(c)) {
                    XmlAppendControlReference(out, c);
                } else {
                    out += c;
                }
                break;
        }
    }
}

std::string XmlEscape(std::string_view plain) {
    std::string out;
    XmlEscapeAppend(out, plain);
    return out;
}

namespace {

size_t AppendUtf8(char* out, uint32_t code) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the reference at s[i] ('&'). Returns the number of stored bytes it spans (0 when it is
// no reference) and writes its characters to out.
size_t DecodeReference(std::string_view s, size_t i, char* out, size_t* written) {
    static const struct {
        const char* entity;
        size_t length;
        char c;
    } named[] = {
        {"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''}};
    std::string_view rest = s.substr(i);
    for (const auto& n : named) {
        if (rest.size() >= n.length && std::memcmp(rest.data(), n.entity, n.length) == 0) {
            out[0] = n.c;
            *written = 1;
            return n.length;
        }
    }
    if (rest.size() < 4 || rest[1] != '#') return 0;
    size_t j = 2;
    bool hex = rest[j] == 'x' || rest[j] == 'X';
    if (hex) ++j;
    size_t digitsStart = j;
    uint32_t code = 0;
    bool tooBig = false;
    while (j < rest.size()) {
        int v = hex ? HexValue(rest[j]) : (rest[j] >= '0' && rest[j] <= '9' ? rest[j] - '0' : -1);
        if (v < 0) break;
        if (!tooBig) {
            code = code * (hex ? 16u : 10u) + static_cast<uint32_t>(v);
            if (code > 0x10FFFF) tooBig = true;
        }
        ++j;
    }
    if (j == digitsStart || j >= rest.size() || rest[j] != ';') return 0;
    if (tooBig || code == 0 || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    if (code >= kControlPictures && code < kControlPictures + 0x20 &&
        XmlIsForbiddenControl(static_cast<char>(code - kControlPictures))) {
        out[0] = static_cast<char>(code - kControlPictures);
        *written = 1;
        return j + 1;
    }
    *written = AppendUtf8(out, code);
    return j + 1;
}

} // namespace

size_t XmlUnescapeInto(std::string_view stored, char* out) {
    if (!HasAmpersand(stored)) {
        if (!stored.empty()) std::memcpy(out, stored.data(), stored.size());
        out[stored.size()] = 0;
        return stored.size();
    }
    size_t o = 0;
    size_t i = 0;
    while (i < stored.size()) {
        char c = stored[i];
        if (c == '&') {
            size_t written = 0;
            size_t span = DecodeReference(stored, i, out + o, &written);
            if (span) {
                o += written;
                i += span;
                continue;
            }
        }
        out[o++] = c;
        ++i;
    }
    out[o] = 0;
    return o;
}

std::string XmlUnescape(std::string_view stored) {
    if (!HasAmpersand(stored)) return std::string(stored);
    std::string out(stored.size() + 1, '\0');
    out.resize(XmlUnescapeInto(stored, out.data()));
    return out;
}

uint32_t XmlPlainHash(std::string_view plain) {
    uint32_t h = 2166136261u;
    for (char c : plain) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

uint32_t XmlStoredHash(std::string_view stored) {
    if (!HasAmpersand(stored)) return XmlPlainHash(stored);
    return XmlPlainHash(XmlUnescape(stored));
}

bool XmlStoredEquals(std::string_view stored, std::string_view plain) {
    if (!HasAmpersand(stored)) return stored == plain;
    if (stored.size() < plain.size()) return false;
    return XmlUnescape(stored) == plain;
}
