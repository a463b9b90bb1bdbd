#include "common/text_replace.h"

#include <cstring>

namespace {

bool IsDigit(unsigned c) {
    return c >= '0' && c <= '9';
}
bool IsAsciiLetter(unsigned c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool MayReplaceNarrow(const std::string& text, size_t at, size_t length, int mode) {
    bool hasBefore = at > 0;
    bool hasAfter = at + length < text.size();
    unsigned before = hasBefore ? static_cast<unsigned char>(text[at - 1]) : 0;
    unsigned after = hasAfter ? static_cast<unsigned char>(text[at + length]) : 0;
    auto wordChar = [](unsigned c) { return IsDigit(c) || IsAsciiLetter(c) || c == '\''; };
    switch (mode) {
        case 0: return true;
        case 1: return (!hasBefore || before == ' ') && (!hasAfter || after == ' ');
        case 2: return (!hasBefore || !wordChar(before)) && (!hasAfter || (!wordChar(after) && after != '['));
        default: return !hasAfter || after != '[';
    }
}

bool MayReplaceWide(const std::wstring& text, size_t at, size_t length, int mode) {
    bool hasBefore = at > 0;
    bool hasAfter = at + length < text.size();
    unsigned before = hasBefore ? static_cast<unsigned>(text[at - 1]) : 0;
    unsigned after = hasAfter ? static_cast<unsigned>(text[at + length]) : 0;
    auto wordChar = [](unsigned c) { return IsDigit(c) || IsAsciiLetter(c); };
    switch (mode) {
        case 1: return (!hasBefore || before == L' ') && (!hasAfter || after == L' ');
        case 2: return (!hasBefore || !wordChar(before)) && (!hasAfter || !wordChar(after));
        default: return true;
    }
}

template <typename String, typename Char, typename Rule>
bool ReplaceAll(String& text, const Char* find, const Char* replacement, bool once, int mode,
                Rule mayReplace) {
    if (!find || !*find) return false;
    const String what(find);
    const String with(replacement ? replacement : String());
    bool replaced = false;
    size_t at = text.find(what);
    while (at != String::npos) {
        if (mayReplace(text, at, what.size(), mode)) {
            text.replace(at, what.size(), with);
            replaced = true;
            if (once) break;
            at = text.find(what, at + with.size());
        } else {
            at = text.find(what, at + 1);
        }
    }
    return replaced;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool StringReplace(std::string& text, const char* find, const char* replacement, bool once, int mode) {
    return ReplaceAll(text, find, replacement, once, mode, MayReplaceNarrow);
}

bool StringReplaceW(std::wstring& text, const wchar_t* find, const wchar_t* replacement, bool once,
                    int mode) {
    return ReplaceAll(text, find, replacement, once, mode, MayReplaceWide);
}

bool StringReplaceEx(std::string& text, const char* find, const char* replacement, bool once, int mode,
                     bool quote) {
    if (!quote) return StringReplace(text, find, replacement, once, mode);
    std::string quoted = "\"" + std::string(replacement ? replacement : "") + "\"";
    return StringReplace(text, find, quoted.c_str(), once, mode);
}

bool StringReplaceNumber(std::string& text, const char* find, uint64_t number, bool once, int mode,
                         bool quote) {
    return StringReplaceEx(text, find, std::to_string(number).c_str(), once, mode, quote);
}

void UnescapeString(std::string& text, bool backslashEscapes) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        char next = text[i + 1];
        if (backslashEscapes && (next == '\\' || next == 'n' || next == 'r')) {
            out += next == '\\' ? '\\' : next == 'n' ? '\n' : '\r';
            ++i;
            continue;
        }
        if (next == 'x' && i + 3 < text.size() && HexDigitValue(text[i + 2]) >= 0 &&
            HexDigitValue(text[i + 3]) >= 0) {
            int value = HexPairValue(text[i + 2], text[i + 3]);
            if (value != 0) out += static_cast<char>(value);
            i += 3;
            continue;
        }
        out += c;
    }
    text.swap(out);
}

// The unescaped text is never longer than the original, so it fits where it came from.
void UnescapeInPlace(char* text, bool backslashEscapes) {
    if (!text) return;
    std::string copy(text);
    UnescapeString(copy, backslashEscapes);
    std::memcpy(text, copy.c_str(), copy.size() + 1);
}

std::string& DoubleBackslashes(std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        out += c;
        if (c == '\\') out += '\\';
    }
    text.swap(out);
    return text;
}

int HexPairValue(char high, char low) {
    int h = HexDigitValue(high), l = HexDigitValue(low);
    return 16 * (h < 0 ? 0 : h) + (l < 0 ? 0 : l);
}

int ParseTwoDigits(char tens, char ones) {
    auto value = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : static_cast<int>(static_cast<unsigned char>(c));
    };
    return 10 * value(tens) + value(ones);
}
