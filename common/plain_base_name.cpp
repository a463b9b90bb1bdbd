#include "common/plain_base_name.h"

#include "common/xstring.h"

#include <cwctype>

namespace {

bool IsForbidden(wchar_t c) {
    if (c < 32 || c == 127) return true;
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

} // namespace

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
