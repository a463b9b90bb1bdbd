#include "markup/markup_tokens.h"

#include <algorithm>
#include <type_traits>

namespace {

constexpr size_t kDirectColorDigits = 8;
constexpr size_t kSizeDigits = 3;
constexpr size_t kSmileyDigits = 9;
constexpr size_t kCharacterDigits = 5;

template <typename Char> bool IsDigitAt(std::basic_string_view<Char> text, size_t i) {
    return i < text.size() && IsDecimalDigit(static_cast<wchar_t>(text[i]));
}

template <typename Char> bool IsCodeAt(std::basic_string_view<Char> text, size_t i, wchar_t code) {
    return i < text.size() && static_cast<wchar_t>(text[i]) == code;
}

// Up to max decimal digits at i: their value; i is moved past them.
template <typename Char>
size_t ReadDigits(std::basic_string_view<Char> text, size_t& i, size_t max, uint64_t& value) {
    size_t digits = 0;
    value = 0;
    while (digits < max && IsDigitAt(text, i)) {
        value = value * 10 + static_cast<uint64_t>(text[i++] - '0');
        ++digits;
    }
    return digits;
}

// One or two digits (tens and ones) at i; -1 when none.
template <typename Char> int ReadColorIndex(std::basic_string_view<Char> text, size_t& i) {
    uint64_t value = 0;
    return ReadDigits(text, i, 2, value) ? static_cast<int>(value) : -1;
}

template <typename Char> size_t RepeatsOf(std::basic_string_view<Char> text, size_t i, wchar_t code) {
    size_t n = 0;
    while (IsCodeAt(text, i + 1 + n, code)) ++n;
    return n;
}

template <typename Char>
void ReadPaletteColor(std::basic_string_view<Char> text, size_t i, BasicMarkupToken<Char>& t) {
    t.Kind = MarkupPiece::kPaletteColor;
    size_t next = i + 1;
    t.Foreground = ReadColorIndex(text, next);
    if (t.Foreground >= 0 && IsCodeAt(text, next, L',')) {
        t.Comma = true;
        ++next;
        t.Background = ReadColorIndex(text, next);
    }
    t.Length = next - i;
}

template <typename Char>
void ReadDirectColor(std::basic_string_view<Char> text, size_t i, BasicMarkupToken<Char>& t) {
    t.Kind = MarkupPiece::kDirectColor;
    size_t next = std::min(text.size(), i + 1 + kDirectColorDigits);
    t.Argument = text.substr(i + 1, next - (i + 1));
    if (IsCodeAt(text, next, L',')) {
        t.Comma = true;
        size_t back = std::min(text.size(), next + 1 + kDirectColorDigits);
        t.Back = text.substr(next + 1, back - (next + 1));
        next = back;
    }
    t.Length = next - i;
}

template <typename Char>
void ReadSize(std::basic_string_view<Char> text, size_t i, BasicMarkupToken<Char>& t) {
    t.Kind = MarkupPiece::kSize;
    size_t next = i + 1;
    t.Digits = ReadDigits(text, next, kSizeDigits, t.Number);
    t.Length = next - i;
}

// 4 2 ... 2 markers in a row, or a beep.
template <typename Char>
void ReadBeep(std::basic_string_view<Char> text, size_t i, BasicMarkupToken<Char>& t) {
    if (!IsCodeAt(text, i + 1, kBoldCode)) {
        t.Kind = MarkupPiece::kBeep;
        t.Repeats = RepeatsOf(text, i, kBeepCode);
        t.Length = 1;
        return;
    }
    t.Kind = MarkupPiece::kObjectMarkers;
    size_t end = i;
    while (IsCodeAt(text, end, kBeepCode) && IsCodeAt(text, end + 1, kBoldCode)) {
        size_t close = text.find(static_cast<Char>(kBoldCode), end + 2);
        end = close == text.npos ? text.size() : close + 1;
    }
    t.Length = end - i;
}

template <typename Char>
void ReadFont(std::basic_string_view<Char> text, size_t i, BasicMarkupToken<Char>& t) {
    t.Kind = MarkupPiece::kCodedFont;
    if (i + 1 >= text.size()) {
        t.Length = 1;
        return;
    }
    // The fixed-font pair carries no run: the text after it is visible.
    if (IsCodeAt(text, i + 1, kFontCode)) {
        t.Kind = MarkupPiece::kFixedFont;
        t.Length = 2;
        return;
    }
    const size_t count = static_cast<size_t>(static_cast<std::make_unsigned_t<Char>>(text[i + 1]));
    t.Argument = text.substr(i + 2, std::min(count, text.size() - (i + 2)));
    t.Length = 2 + t.Argument.size();
}

// The fields of an offer or table after 18 and its command, up to the next 18.
template <typename Char>
void ReadCommandRun(std::basic_string_view<Char> text, size_t i, BasicMarkupToken<Char>& t) {
    size_t close = text.find(static_cast<Char>(kSymbolCode), i + 2);
    size_t end = close == text.npos ? text.size() : close;
    t.Argument = text.substr(i + 2, end - (i + 2));
    t.Length = (close == text.npos ? end : close + 1) - i;
}

template <typename Char>
void ReadSymbol(std::basic_string_view<Char> text, size_t i, BasicMarkupToken<Char>& t) {
    t.Kind = MarkupPiece::kSymbol;
    const wchar_t command = i + 1 < text.size() ? static_cast<wchar_t>(text[i + 1]) : 0;
    size_t next = i + 2;
    switch (command) {
        case kSymbolSmiley:
            t.Digits = ReadDigits(text, next, kSmileyDigits, t.Number);
            t.Argument = text.substr(i + 2, t.Digits);
            if (IsCodeAt(text, next, kSymbolCode)) ++next;
            break;
        case kSymbolCharacter: t.Digits = ReadDigits(text, next, kCharacterDigits, t.Number); break;
        case kSymbolHidden: break;
        case kSymbolTable:
        case kSymbolOffer:
            t.Command = command;
            ReadCommandRun(text, i, t);
            return;
        default:
            t.Repeats = RepeatsOf(text, i, kSymbolCode);
            t.Length = 1;
            return;
    }
    t.Command = command;
    t.Length = next - i;
}

template <typename Char>
void ReadLink(std::basic_string_view<Char> text, size_t i, BasicMarkupToken<Char>& t) {
    t.Kind = MarkupPiece::kLink;
    t.Length = 1;
    if (!IsCodeAt(text, i + 1, L'{')) return;
    size_t close = text.find(static_cast<Char>('}'), i + 2);
    size_t end = close == text.npos ? text.size() : close;
    t.Brace = true;
    t.Argument = text.substr(i + 2, end - (i + 2));
    t.BraceLength = (close == text.npos ? end : close + 1) - (i + 1);
}

} // namespace

template <typename Char> BasicMarkupToken<Char> ReadMarkupToken(std::basic_string_view<Char> text, size_t i) {
    BasicMarkupToken<Char> t;
    const wchar_t c = static_cast<wchar_t>(static_cast<std::make_unsigned_t<Char>>(text[i]));
    t.Length = 1;
    if (c >= 32) {
        size_t end = i + 1;
        while (end < text.size() && static_cast<std::make_unsigned_t<Char>>(text[end]) >= 32) ++end;
        t.Argument = text.substr(i, end - i);
        t.Length = end - i;
        return t;
    }
    switch (c) {
        case L'\r':
        case L'\n': t.Kind = MarkupPiece::kLineBreak; break;
        case kBoldCode: t.Kind = MarkupPiece::kBold; break;
        case kItalicCode: t.Kind = MarkupPiece::kItalic; break;
        case kStrikeCode: t.Kind = MarkupPiece::kStrike; break;
        case kCtcpCode: t.Kind = MarkupPiece::kCtcp; break;
        case kResetCode: t.Kind = MarkupPiece::kReset; break;
        case kUnderlineCode:
            t.Kind = MarkupPiece::kUnderline;
            t.Repeats = RepeatsOf(text, i, kUnderlineCode);
            break;
        case kColorCode: ReadPaletteColor(text, i, t); break;
        case kDirectColorCode: ReadDirectColor(text, i, t); break;
        case kSizeCode: ReadSize(text, i, t); break;
        case kBeepCode: ReadBeep(text, i, t); break;
        case kFontCode: ReadFont(text, i, t); break;
        case kSymbolCode: ReadSymbol(text, i, t); break;
        case kLinkCode: ReadLink(text, i, t); break;
        default: t.Kind = MarkupPiece::kOtherCode; break;
    }
    return t;
}

template BasicMarkupToken<char> ReadMarkupToken(std::string_view text, size_t i);
template BasicMarkupToken<wchar_t> ReadMarkupToken(std::wstring_view text, size_t i);

size_t SymbolRunLength(std::wstring_view text, size_t i) {
    auto inRun = [](wchar_t c) {
        return c == kBoldCode || c == L'\t' || c == kSymbolCode || c == kStrikeCode || c == kSmileyCode ||
               c == kUnderlineCode || c == kResetCode;
    };
    size_t n = 1;
    while (i + n < text.size() && inRun(text[i + n])) ++n;
    return n;
}
