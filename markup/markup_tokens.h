// Reading display markup one piece at a time: a run of plain text, or one code with its
// arguments and the exact number of characters it takes. The printer's reader, the stripper and
// the cleaner of untrusted text all take the codes apart here, so they agree on where a code ends.
#pragma once

#include "markup/markup_codes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class MarkupPiece {
    kText,          // characters of 32 or more
    kLineBreak,     // CR or LF
    kBold,          // 2
    kItalic,        // 22
    kStrike,        // 29
    kUnderline,     // 31; Repeats: the codes 31 directly after it
    kCtcp,          // 1
    kReset,         // 15
    kPaletteColor,  // 3: Foreground (-1: none, the colours go back) [ , Background (-1: none) ]
    kDirectColor,   // 7: Argument the 8 characters after it, Back the 8 after a comma (Comma)
    kSize,          // 25: Number from Digits digits (up to 3)
    kBeep,          // 4; Repeats: the codes 4 directly after it
    kObjectMarkers, // 4 2 hex16 2, as many as follow one another
    kFixedFont,     // 5 5
    kCodedFont,     // 5 n: Argument the n characters (fewer at the end)
    kSymbol,        // 18: Command, see below
    kLink,          // 24: with Brace, Argument is the text between "{" and "}"
    kOtherCode,     // any other control character: shown as it is
};

template <typename Char> struct BasicMarkupToken {
    MarkupPiece Kind = MarkupPiece::kText;
    size_t Length = 0; // characters taken, the code included
    std::basic_string_view<Char> Argument;
    std::basic_string_view<Char> Back;
    int Foreground = -1, Background = -1;
    bool Comma = false;
    // 18: the command code after it (kSymbolSmiley, ...), 0 for a symbol-font run of Repeats + 1
    // codes 18. A smiley's or character's number is Number from Digits digits (Length covers a
    // smiley's closing 18); a table's or offer's fields are Argument, Length up to and including
    // the closing 18 (or the end).
    wchar_t Command = 0;
    uint64_t Number = 0;
    size_t Digits = 0, Repeats = 0;
    // 24: a brace part follows; BraceLength covers it, braces included (to the end when open).
    bool Brace = false;
    size_t BraceLength = 0;
};

using MarkupToken = BasicMarkupToken<wchar_t>;

// The piece that starts at i (i < text.size()).
template <typename Char> BasicMarkupToken<Char> ReadMarkupToken(std::basic_string_view<Char> text, size_t i);

// The characters of the stripper's symbol run at i: code 18 and the codes 2, 9, 18, 29, 30, 31
// and 15 that follow it.
size_t SymbolRunLength(std::wstring_view text, size_t i);
