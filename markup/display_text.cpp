#include "markup/display_text.h"

namespace {

template <typename Char> bool SafeWord(std::basic_string_view<Char> text) {
    if (text.empty()) return false;
    for (Char ch : text) {
        const auto c = static_cast<std::make_unsigned_t<Char>>(ch);
        if (c < 0x20 || c == 0x7F || c == ' ' || c == '{' || c == '}' || c == '|') return false;
    }
    return true;
}

} // namespace

bool SafeInLinkCommand(std::string_view text) {
    return SafeWord(text);
}

bool SafeInLinkCommand(std::wstring_view text) {
    return SafeWord(text);
}
