// Small text helpers of the dispatcher and the command handlers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The pieces of the text between CR and LF characters, in order, empty pieces dropped.
template <class Char>
std::vector<std::basic_string_view<Char>> CutAtLineEnds(std::basic_string_view<Char> text) {
    std::vector<std::basic_string_view<Char>> pieces;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != Char('\r') && text[i] != Char('\n')) continue;
        if (i > start) pieces.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return pieces;
}

inline std::vector<std::string_view> CutAtLineEnds(const std::string& text) {
    return CutAtLineEnds(std::string_view(text));
}

// The text without one leading ':'.
std::string DropLeadingColon(std::string text);

// A decimal number made of digits only, at most the limit; false for anything else.
bool ParseDecimal(std::string_view text, uint32_t limit, uint32_t& value);
