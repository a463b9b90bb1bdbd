#include "markup/strip_format_codes.h"

#include "markup/markup_tokens.h"

namespace {

// The mask bit that selects a piece, 0 for pieces always kept.
uint32_t StripBit(MarkupPiece kind) {
    switch (kind) {
        case MarkupPiece::kBold: return kStripBold;
        case MarkupPiece::kItalic: return kStripItalic;
        case MarkupPiece::kUnderline: return kStripUnderline;
        case MarkupPiece::kStrike: return kStripStrike;
        case MarkupPiece::kCtcp: return kStripCtcp;
        case MarkupPiece::kPaletteColor: return kStripColor;
        case MarkupPiece::kDirectColor: return kStripDirectColor;
        case MarkupPiece::kSize: return kStripSize;
        case MarkupPiece::kBeep:
        case MarkupPiece::kObjectMarkers: return kStripBeep;
        case MarkupPiece::kFixedFont:
        case MarkupPiece::kCodedFont: return kStripFont;
        case MarkupPiece::kSymbol: return kStripSymbol;
        default: return 0;
    }
}

// The characters a selected code takes when it is stripped.
size_t StrippedLength(std::wstring_view text, size_t i, const MarkupToken& token) {
    // Colour and direct colour twice in a row go as one group.
    if (token.Kind == MarkupPiece::kPaletteColor && text.substr(i, 4) == L"\x03\x07\x03\x07") return 4;
    return token.Length;
}

} // namespace

std::wstring StripFormatCodes(const std::wstring& text, uint32_t mask) {
    const std::wstring_view view(text);
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < view.size()) {
        // The stripper's own symbol run: no need to read the command after it as the printer would.
        if (view[i] == kSymbolCode && (mask & kStripSymbol) != 0) {
            i += SymbolRunLength(view, i);
            continue;
        }
        const MarkupToken token = ReadMarkupToken(view, i);
        if ((mask & StripBit(token.Kind)) != 0) {
            i += StrippedLength(view, i, token);
            continue;
        }
        // A code that stays is kept alone: the characters after it are read again as codes.
        const size_t kept = token.Kind == MarkupPiece::kText ? token.Length : 1;
        out.append(view.substr(i, kept));
        i += kept;
    }
    return out;
}
