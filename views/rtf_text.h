// Pieces of RTF written by hand: text that no character of can end a group or start a control
// word, and the font and colour tables that runs refer to by number.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// The text as 7-bit RTF: backslash and braces escaped, a tab as \tab, printable ASCII as it is,
// every other character (control characters, line breaks and everything beyond ASCII) as \uN?
// with N its signed 16-bit value; a surrogate pair stays a pair, a lone surrogate becomes U+FFFD.
// Needs \uc1 in force.
void AppendRtfText(std::string& rtf, std::wstring_view text);

// Text in a font of the symbol character set: each code up to 0xFF (and each of the symbol
// fonts' private codes U+F000..U+F0FF) as the byte \'xx it stands for in the font, anything
// else as AppendRtfText writes it.
void AppendRtfSymbolText(std::string& rtf, std::wstring_view text);

// The fonts of a document, numbered from 1 in the order they were first asked for.
class RtfFontTable {
public:
    int Index(const wchar_t* face, BYTE charset, BYTE pitchAndFamily);
    bool Empty() const { return fonts_.empty(); }
    // "{\fonttbl{\f1\fmodern\fprq1\fcharset0 Courier New;}...}"; empty when no font was asked for.
    std::string Text() const;
    void Clear() { fonts_.clear(); }

private:
    struct Font {
        std::wstring Face;
        BYTE Charset, PitchAndFamily;
    };
    std::vector<Font> fonts_;
};

// The colours of a document, numbered from 1 (0 is the automatic colour).
class RtfColorTable {
public:
    int Index(COLORREF color);
    bool Empty() const { return colors_.empty(); }
    // "{\colortbl ;\red0\green0\blue0;...}"; empty when no colour was asked for.
    std::string Text() const;
    void Clear() { colors_.clear(); }

private:
    std::vector<COLORREF> colors_;
};
