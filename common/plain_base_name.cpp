#include "common/plain_base_name.h"

#include "common/xstring.h"

#include <cwctype>

namespace {

bool IsForbidden(wchar_t c) {
    if (c < 32 || (c >= 127 && c < 160) || IsDirectionControl(c)) return true;
    switch (c) {
        case L'\\':
        case L'/':
        case L':':
        case L'"':
        case L'\'':
        case L'*':
        case L'?':
        case L'<':
        case L'>':
        case L'|': return true;
        default: return false;
    }
}

wchar_t UpperAscii(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
}

bool IsTrimmed(wchar_t c) {
    return c == L'.' || c == L' ';
}

// The length of the control character that starts at the text's front, or 0.
size_t ControlLength(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(0) < 0x20 || byte(0) == 0x7F) return 1;
    if (text.size() >= 2 && byte(0) == 0xC2 && byte(1) >= 0x80 && byte(1) <= 0x9F) return 2; // C1
    if (text.size() >= 2 && byte(0) >= 0xC0 && byte(0) < 0xE0 && (byte(1) & 0xC0) == 0x80) {
        const char32_t c = (char32_t(byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
        return IsDirectionControl(c) ? 2 : 0;
    }
    if (text.size() >= 3 && (byte(0) & 0xF0) == 0xE0 && (byte(1) & 0xC0) == 0x80 &&
        (byte(2) & 0xC0) == 0x80) {
        const char32_t c =
            (char32_t(byte(0) & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        return IsDirectionControl(c) ? 3 : 0;
    }
    return 0;
}

} // namespace

bool IsDirectionControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

std::string WithoutControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        if (const size_t control = ControlLength(text)) {
            text.remove_prefix(control);
            continue;
        }
        out += text.front();
        text.remove_prefix(1);
    }
    return out;
}

bool IsWindowsDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = UpperAscii(c);
    static const wchar_t* const kFixed[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* device : kFixed)
        if (stem == device) return true;
    // COM and LPT with one digit, also the superscript digits Windows accepts there.
    if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0)) {
        wchar_t d = stem[3];
        return (d >= L'0' && d <= L'9') || d == 0x00B9 || d == 0x00B2 || d == 0x00B3;
    }
    return false;
}

std::wstring PlainBaseName(const std::wstring& name) {
    std::wstring out;
    out.reserve(name.size());
    for (wchar_t c : name) out += IsForbidden(c) ? L'_' : c;

    size_t first = 0;
    while (first < out.size() && IsTrimmed(out[first])) ++first;
    size_t last = out.size();
    while (last > first && IsTrimmed(out[last - 1])) --last;
    out = out.substr(first, last - first);

    if (out.size() > kMaxPlainBaseName) {
        size_t cut = kMaxPlainBaseName;
        // Never keep half of a surrogate pair.
        if (out[cut - 1] >= 0xD800 && out[cut - 1] <= 0xDBFF) --cut;
        out.resize(cut);
        while (!out.empty() && IsTrimmed(out.back())) out.pop_back();
    }
    if (out.empty()) return L"_";
    if (IsWindowsDeviceName(out)) out.insert(out.begin(), L'_');
    return out;
}

std::wstring PlainBaseNameUtf8(const std::string& name) {
    return PlainBaseName(NarrowToWide(name));
}
