// Removing display markup from a text, for logs, speech, the ticker and scripts.
#pragma once

#include <cstdint>
#include <string>

enum StripMask : uint32_t {
    kStripBold = 0x1,
    kStripItalic = 0x2,
    kStripUnderline = 0x4,
    kStripStrike = 0x8,
    kStripColor = 0x10,       // code 3 with its digits
    kStripDirectColor = 0x20, // code 7 with its 8 characters [ , 8 more ]
    kStripSize = 0x40,        // code 25 with up to 3 digits
    kStripBeep = 0x80,        // code 4 (an object marker 4 2 ... 2 whole)
    kStripCtcp = 0x100,       // code 1
    kStripFont = 0x200,       // code 5 with its counted run; 5 5 alone
    kStripSymbol = 0x400,     // code 18 with the codes 2, 9, 18, 29, 30, 31, 15 that follow it
    kStripAll = 0xFFFFFFFF,
};

// The text without the codes the mask selects. Code 15 and code 24 are always kept.
std::wstring StripFormatCodes(const std::wstring& text, uint32_t mask);
