#include "markup/untrusted_text.h"

#include "common/xstring.h"
#include "markup/markup_codes.h"
#include "markup/markup_fields.h"

namespace {

bool IsProgramOnlyCode(unsigned c) {
    return c == kFontCode || c == kDirectColorCode || c == kSymbolCode || c == kLinkCode;
}

// Length of a well-formed offer or table run starting at the code 18 at i (closing 18 included
// when present), or 0.
template <typename String> size_t KeptRunLength(const String& text, size_t i) {
    if (i + 1 >= text.size()) return 0;
    unsigned command = static_cast<unsigned>(text[i + 1]);
    if (command != kSymbolOffer && command != kSymbolTable) return 0;
    size_t close = text.find(static_cast<typename String::value_type>(kSymbolCode), i + 2);
    size_t end = close == String::npos ? text.size() : close;
    for (size_t k = i + 2; k < end; ++k)
        if (static_cast<unsigned>(text[k]) < 32) return 0;
    std::wstring fields;
    if constexpr (sizeof(typename String::value_type) == 1)
        fields = NarrowToWide(text.substr(i + 2, end - i - 2));
    else
        fields = text.substr(i + 2, end - i - 2);
    bool valid = false;
    if (command == kSymbolOffer) {
        ObjectOffer offer;
        valid = ParseObjectOffer(fields, offer);
    } else {
        MarkupTable table;
        valid = ParseMarkupTable(fields, table);
    }
    if (!valid) return 0;
    return (close == String::npos ? end : close + 1) - i;
}

template <typename String> String Clean(const String& text) {
    String out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned c = static_cast<unsigned>(text[i]);
        if (!IsProgramOnlyCode(c)) {
            out += text[i++];
            continue;
        }
        if (c == kSymbolCode) {
            if (size_t kept = KeptRunLength(text, i)) {
                out.append(text, i, kept);
                i += kept;
                continue;
            }
            // A command code after it goes too, so no lone code is left to mean something else.
            if (i + 1 < text.size() && IsSymbolCommand(static_cast<wchar_t>(text[i + 1]))) ++i;
        }
        ++i;
    }
    return out;
}

} // namespace

std::string CleanUntrustedText(const std::string& text) {
    return Clean(text);
}

std::wstring CleanUntrustedTextW(const std::wstring& text) {
    return Clean(text);
}
