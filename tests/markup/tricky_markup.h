// Markup that ends early, nests, or carries bad arguments: the inputs every reader of the markup
// must take apart exactly as before.
#pragma once

#include <string>
#include <vector>

inline const std::vector<std::wstring>& TrickyMarkup() {
    // clang-format off
    static const std::vector<std::wstring> texts = {
        L"\x03",
        L"\x03" L"1",
        L"\x03" L"12,",
        L"\x03" L"123,456x",
        L"\x03,5",
        L"\x03\x07\x03\x07" L"abc",
        L"\x03\x07" L"1234",
        L"\x07",
        L"\x07" L"12",
        L"\x07" L"00FF0000,",
        L"\x07zz00FF00,FFFFFFFFt",
        L"\x07" L"0000FF00,00FF",
        L"\x19",
        L"\x19" L"12345",
        L"\x19x",
        L"\x04",
        L"\x04\x04\x04x",
        L"\x04\x02" L"12",
        L"\x04\x02" L"AB\x02\x04\x02" L"CD\x02tail",
        L"\x04\x04\x02" L"AB\x02z",
        L"\x05",
        L"\x05\x05" L"abcdefg",
        L"\x05\x03" L"ab",
        L"\x05\x7Fshort",
        L"\x12",
        L"\x12\x12\x12x\x12y",
        L"\x12\x1e" L"101\x12 b",
        L"\x12\x1e" L"12345678901x",
        L"\x12\x1d" L"65x",
        L"\x12\x1d" L"0x",
        L"\x12\x1d" L"99999x",
        L"\x12\x19hid\x12\x19 vis",
        L"\x12\x19open",
        L"\x12\x18" L"1,2,0,a,b\x12 after",
        L"\x12\x18" L"1,2,0,a",
        L"\x12\x07 0 10 host 5 7 name\x12x",
        L"\x12\x07 bad\x12",
        L"\x12\x02\x09\x0f text",
        L"\x18{a|||/cmd}x\x18",
        L"\x18{odd}x\x18",
        L"\x18{a|||/c",
        L"\x18open",
        L"\x18",
        L"\x18{}\x18",
        L"\x02\x1f\x1f\x1f\x1f\x1fu\x16i\x0f\x1dx\x03" L"4,5y\x0fz",
        L"\x05\x05\x12x\x12y",
        L"\x03" L"4\x05\x05z\x03w",
        L"a\r\nb",
        L"a\nb\x02",
        L"\x01x\x01\x09\x1e\x0b",
        L"\x1f\x1f",
        L"\x1f\x1f\x1f\x1f\x1f\x1fq",
        L"\x0f\x0f\x03" L"4\x0f\x02\x02",
        L"\x1d\x1d\x16",
    };
    // clang-format on
    return texts;
}

// The text with every character below 32 (and the backslash) written as \xNN.
inline std::string Shown(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c < 32 || c == L'\\' || c > 126) {
            char code[12];
            snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned>(c));
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
