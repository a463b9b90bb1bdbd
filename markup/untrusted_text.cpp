#include "markup/untrusted_text.h"

#include "common/xstring.h"
#include "markup/markup_fields.h"
#include "markup/markup_tokens.h"

namespace {

bool IsProgramOnlyCode(unsigned c) {
    return c == kFontCode || c == kDirectColorCode || c == kSymbolCode || c == kLinkCode;
}

// True for an offer or table run whose fields the printer would take: no control characters in
// them and every field well formed.
template <typename Char> bool IsKeptRun(const BasicMarkupToken<Char>& run) {
    for (Char c : run.Argument)
        if (static_cast<unsigned>(c) < 32) return false;
    std::wstring fields;
    if constexpr (sizeof(Char) == 1)
        fields = NarrowToWide(std::string(run.Argument));
    else
        fields = run.Argument;
    if (run.Command == kSymbolOffer) {
        ObjectOffer offer;
        return ParseObjectOffer(fields, offer);
    }
    MarkupTable table;
    return ParseMarkupTable(fields, table);
}

template <typename String> String Clean(const String& text) {
    using Char = typename String::value_type;
    const std::basic_string_view<Char> view(text);
    String out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < view.size()) {
        unsigned c = static_cast<unsigned>(view[i]);
        if (!IsProgramOnlyCode(c)) {
            out += view[i++];
            continue;
        }
        if (c == kSymbolCode) {
            const BasicMarkupToken<Char> run = ReadMarkupToken(view, i);
            const bool offerOrTable = run.Command == kSymbolOffer || run.Command == kSymbolTable;
            if (offerOrTable && IsKeptRun(run)) {
                out.append(view.substr(i, run.Length));
                i += run.Length;
                continue;
            }
            // A command code after it goes too, so no lone code is left to mean something else.
            if (i + 1 < view.size() && IsSymbolCommand(static_cast<wchar_t>(view[i + 1]))) ++i;
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
