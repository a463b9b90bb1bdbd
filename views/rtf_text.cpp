#include "views/rtf_text.h"

#include <cstdint>

namespace {

constexpr const char* kFamilyWords[] = {"\\fnil",    "\\froman",  "\\fswiss",
                                        "\\fmodern", "\\fscript", "\\fdecor"};

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUnicode(std::string& rtf, wchar_t c) {
    rtf += "\\u";
    rtf += std::to_string(static_cast<int16_t>(c));
    rtf += '?';
}

void AppendByte(std::string& rtf, unsigned byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    rtf += "\\'";
    rtf += kHex[(byte >> 4) & 0xF];
    rtf += kHex[byte & 0xF];
}

} // namespace

void AppendRtfText(std::string& rtf, std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\\' || c == L'{' || c == L'}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c == L'\t') {
            rtf += "\\tab ";
        } else if (c >= 32 && c < 127) {
            rtf += static_cast<char>(c);
        } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUnicode(rtf, c);
            AppendUnicode(rtf, text[++i]);
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendUnicode(rtf, 0xFFFD);
        } else {
            AppendUnicode(rtf, c);
        }
    }
}

void AppendRtfSymbolText(std::string& rtf, std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c <= 0xFF || (c >= 0xF000 && c <= 0xF0FF)) {
            AppendByte(rtf, c & 0xFF);
            continue;
        }
        const size_t start = i;
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
        AppendRtfText(rtf, text.substr(start, i + 1 - start));
    }
}

int RtfFontTable::Index(const wchar_t* face, BYTE charset, BYTE pitchAndFamily) {
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i].Charset == charset && fonts_[i].PitchAndFamily == pitchAndFamily &&
            fonts_[i].Face == face)
            return static_cast<int>(i) + 1;
    fonts_.push_back({face, charset, pitchAndFamily});
    return static_cast<int>(fonts_.size());
}

std::string RtfFontTable::Text() const {
    if (fonts_.empty()) return {};
    std::string table = "{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        const Font& font = fonts_[i];
        const int family = (font.PitchAndFamily >> 4) & 0x0F;
        table += "{\\f" + std::to_string(i + 1) + (family < 6 ? kFamilyWords[family] : kFamilyWords[0]) +
                 "\\fprq" + std::to_string(font.PitchAndFamily & 3) + "\\fcharset" +
                 std::to_string(font.Charset) + " ";
        // A semicolon would end the entry: it goes as the byte it is; control characters go.
        std::wstring piece;
        for (wchar_t c : font.Face) {
            if (c != L';' && c >= 32) {
                piece += c;
                continue;
            }
            AppendRtfText(table, piece);
            piece.clear();
            if (c == L';') AppendByte(table, ';');
        }
        AppendRtfText(table, piece);
        table += ";}";
    }
    return table + "}";
}

int RtfColorTable::Index(COLORREF color) {
    color &= 0xFFFFFF;
    for (size_t i = 0; i < colors_.size(); ++i)
        if (colors_[i] == color) return static_cast<int>(i) + 1;
    colors_.push_back(color);
    return static_cast<int>(colors_.size());
}

std::string RtfColorTable::Text() const {
    if (colors_.empty()) return {};
    std::string table = "{\\colortbl ;";
    for (COLORREF c : colors_)
        table += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) +
                 "\\blue" + std::to_string(GetBValue(c)) + ";";
    return table + "}";
}
