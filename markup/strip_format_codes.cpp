#include "markup/strip_format_codes.h"

#include "markup/markup_codes.h"

#include <algorithm>

namespace {

// Decimal digits at i, at most max of them.
size_t CountDigits(const std::wstring& text, size_t i, size_t max) {
    size_t n = 0;
    while (n < max && i + n < text.size() && IsDecimalDigit(text[i + n])) ++n;
    return n;
}

// Characters of a colour code 3 (the code included), read as the printer reads them.
size_t ColorCodeLength(const std::wstring& text, size_t i) {
    size_t end = i + 1;
    size_t foreground = CountDigits(text, end, 2);
    if (foreground == 0) return 1;
    end += foreground;
    if (end < text.size() && text[end] == L',') {
        ++end;
        end += CountDigits(text, end, 2);
    }
    return end - i;
}

size_t DirectColorLength(const std::wstring& text, size_t i) {
    size_t end = std::min(text.size(), i + 9);
    if (end < text.size() && text[end] == L',') end = std::min(text.size(), end + 9);
    return end - i;
}

// 4 2 ... 2 markers in a row; 1 for a lone code 4.
size_t BeepCodeLength(const std::wstring& text, size_t i) {
    size_t end = i;
    while (end + 1 < text.size() && text[end] == kBeepCode && text[end + 1] == kBoldCode) {
        size_t close = text.find(kBoldCode, end + 2);
        end = close == std::wstring::npos ? text.size() : close + 1;
    }
    return end == i ? 1 : end - i;
}

size_t FontCodeLength(const std::wstring& text, size_t i) {
    if (i + 1 >= text.size()) return 1;
    wchar_t count = text[i + 1];
    // The fixed-font pair carries no run: the text after it is visible.
    if (count == kFontCode) return 2;
    return std::min(text.size() - i, static_cast<size_t>(count) + 2);
}

bool IsSymbolRunCode(wchar_t c) {
    return c == 2 || c == 9 || c == kSymbolCode || c == kStrikeCode || c == kSmileyCode ||
           c == kUnderlineCode || c == kResetCode;
}

bool Selected(uint32_t mask, uint32_t bit) {
    return (mask & bit) != 0;
}

} // namespace

std::wstring StripFormatCodes(const std::wstring& text, uint32_t mask) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        wchar_t c = text[i];
        size_t skip = 0;
        switch (c) {
            case kBoldCode: skip = Selected(mask, kStripBold) ? 1 : 0; break;
            case kItalicCode: skip = Selected(mask, kStripItalic) ? 1 : 0; break;
            case kUnderlineCode: skip = Selected(mask, kStripUnderline) ? 1 : 0; break;
            case kStrikeCode: skip = Selected(mask, kStripStrike) ? 1 : 0; break;
            case kCtcpCode: skip = Selected(mask, kStripCtcp) ? 1 : 0; break;
            case kColorCode:
                if (!Selected(mask, kStripColor)) break;
                if (text.compare(i, 4, L"\x03\x07\x03\x07") == 0)
                    skip = 4;
                else
                    skip = ColorCodeLength(text, i);
                break;
            case kDirectColorCode:
                skip = Selected(mask, kStripDirectColor) ? DirectColorLength(text, i) : 0;
                break;
            case kSizeCode: skip = Selected(mask, kStripSize) ? 1 + CountDigits(text, i + 1, 3) : 0; break;
            case kBeepCode: skip = Selected(mask, kStripBeep) ? BeepCodeLength(text, i) : 0; break;
            case kFontCode: skip = Selected(mask, kStripFont) ? FontCodeLength(text, i) : 0; break;
            case kSymbolCode:
                if (!Selected(mask, kStripSymbol)) break;
                skip = 1;
                while (i + skip < text.size() && IsSymbolRunCode(text[i + skip])) ++skip;
                break;
            default: break;
        }
        if (skip == 0) {
            out += c;
            ++i;
        } else {
            i += skip;
        }
    }
    return out;
}
