// The control characters that carry display markup in text printed into a chat view.
#pragma once

enum MarkupCode : wchar_t {
    kCtcpCode = 1,        // CTCP delimiter, shown as text
    kBoldCode = 2,        // bold on/off
    kColorCode = 3,       // palette colour: digits [ , digits ]
    kBeepCode = 4,        // beep; 4 4 shakes the window; 4 2 hex16 2 is an object marker
    kFontCode = 5,        // 5 5 fixed font; 5 n and n characters: a Base64 LOGFONTW
    kDirectColorCode = 7, // 8 hexadecimal digits [ , 8 more ]
    kResetCode = 15,      // back to the start format
    kSymbolCode = 18,     // symbol-font run, or a command with the code after it
    kItalicCode = 22,
    kLinkCode = 24, // 24 [ { label|||command ... } ] text 24
    kSizeCode = 25, // up to 3 digits: start size + n twips
    kStrikeCode = 29,
    kSmileyCode = 30, // after 18: a smiley number
    kUnderlineCode = 31,
};

// Commands that follow code 18.
enum SymbolCommand : wchar_t {
    kSymbolSmiley = 30,    // 18 30 number [18]
    kSymbolCharacter = 29, // 18 29 number
    kSymbolHidden = 25,    // 18 25 ... 18 25
    kSymbolTable = 24,     // 18 24 rows,cols,flag,cells... 18
    kSymbolOffer = 7,      // 18 7 fields 18
};

// The dot that opens an information line: a symbol-font run holding U+00B7.
constexpr wchar_t kSymbolDot[] = L"\x12\x00B7\x12";

inline bool IsSymbolCommand(wchar_t c) {
    return c == kSymbolSmiley || c == kSymbolCharacter || c == kSymbolHidden || c == kSymbolTable ||
           c == kSymbolOffer;
}

inline bool IsDecimalDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}
