// The stripper and the cleaner of untrusted text take the tricky markup apart exactly as they did
// before they shared one tokenizer: a code read one character too long or too short hides text
// from a log, or leaves a code that means something else in someone's window.
#include <gtest/gtest.h>

#include "markup/strip_format_codes.h"
#include "markup/untrusted_text.h"
#include "tests/markup/tricky_markup.h"

#include <cstdio>

namespace {

// Each input's result on a line of its own.
template <typename Fn> std::string ResultLines(Fn result) {
    std::string out;
    for (const std::wstring& text : TrickyMarkup()) out += Shown(result(text)) + "\n";
    return out;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// FNV-1a over the bytes.
uint64_t Digest(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ULL;
    return hash;
}

void ExpectLines(const std::string& actual, const char* expected) {
    EXPECT_EQ(actual, expected);
    if (actual != expected) printf("actual:\n%s", actual.c_str());
}

} // namespace

TEST(MarkupTokens, StrippingAllCodesIsUnchanged) {
    ExpectLines(ResultLines([](const std::wstring& text) { return StripFormatCodes(text, kStripAll); }),
                R"(


3,456x
,5
abc




t


45
x

x

tail
z

abcdefg



xy
101 b
12345678901x
65x
0x
99999x
hid vis
open
\x181,2,0,a,b after
\x181,2,0,a
st 5 7 namex

 text
\x18{a|||/cmd}x\x18
\x18{odd}x\x18
\x18{a|||/c
\x18open
\x18
\x18{}\x18
ui\x0Fxy\x0Fz
xy
zw
a\x0D\x0Ab
a\x0Ab
x\x09\x1E\x0B

q
\x0F\x0F\x0F

)");
}

TEST(MarkupTokens, StrippingOneKindOfCodeIsUnchanged) {
    std::string actual;
    for (uint32_t bit = 1; bit <= kStripSymbol; bit <<= 1)
        actual += ResultLines([bit](const std::wstring& text) { return StripFormatCodes(text, bit); });
    // Eleven masks over every input: their results are held by a digest, printed in full on a change.
    EXPECT_EQ(Digest(actual), 0xB1357EAE183DEB47ULL);
    if (Digest(actual) != 0xB1357EAE183DEB47ULL) printf("actual:\n%s", actual.c_str());
}

TEST(MarkupTokens, CleaningUntrustedTextIsUnchanged) {
    const std::string wide = ResultLines([](const std::wstring& text) { return CleanUntrustedTextW(text); });
    ExpectLines(wide, R"(\x03
\x031
\x0312,
\x03123,456x
\x03,5
\x03\x03abc
\x031234

12
00FF0000,
zz00FF00,FFFFFFFFt
0000FF00,00FF
\x19
\x1912345
\x19x
\x04
\x04\x04\x04x
\x04\x0212
\x04\x02AB\x02\x04\x02CD\x02tail
\x04\x04\x02AB\x02z

abcdefg
\x03ab
\x7Fshort

xy
101 b
12345678901x
65x
0x
99999x
hid vis
open
\x12\x181,2,0,a,b\x12 after
1,2,0,a
\x12\x07 0 10 host 5 7 name\x12x
 bad
\x02\x09\x0F text
{a|||/cmd}x
{odd}x
{a|||/c
open

{}
\x02\x1F\x1F\x1F\x1F\x1Fu\x16i\x0F\x1Dx\x034,5y\x0Fz
xy
\x034z\x03w
a\x0D\x0Ab
a\x0Ab\x02
\x01x\x01\x09\x1E\x0B
\x1F\x1F
\x1F\x1F\x1F\x1F\x1F\x1Fq
\x0F\x0F\x034\x0F\x02\x02
\x1D\x1D\x16
)");
    EXPECT_EQ(ResultLines([](const std::wstring& text) { return Wide(CleanUntrustedText(Narrow(text))); }),
              wide);
}
