// The printer's reading of tricky markup, item by item, is what it was before the reader took
// its codes from the shared tokenizer.
#include <gtest/gtest.h>

#include "tests/markup/tricky_markup.h"
#include "views/markup_reader.h"

#include <cstdio>

namespace {

std::string Described(const MarkupItem& item) {
    char look[160];
    snprintf(look, sizeof look, " k%d e%08lX c%08lX b%08lX h%ld u%u f", static_cast<int>(item.Type),
             item.Look.dwEffects, item.Look.crTextColor, item.Look.crBackColor, item.Look.yHeight,
             item.Look.bUnderlineType);
    std::string face;
    for (const wchar_t* c = item.Look.szFaceName; *c; ++c) face += static_cast<char>(*c);
    return "[" + Shown(item.Text) + "]" + look + face +
           (item.Number ? " n" + std::to_string(item.Number) : "");
}

} // namespace

TEST(MarkupReaderSame, TrickyMarkupReadsAsBefore) {
    CHARFORMAT2W start{};
    start.cbSize = sizeof start;
    start.dwEffects = CFE_AUTOBACKCOLOR;
    start.crTextColor = 0x00112233;
    start.crBackColor = 0x00445566;
    start.yHeight = 200;
    wcscpy(start.szFaceName, L"Start Face");
    std::string actual;
    for (const std::wstring& text : TrickyMarkup()) {
        actual += Shown(text) + " =>";
        for (const MarkupItem& item :
             ReadMarkupLine(text, start, 0x00ABCDEF, false, nullptr, MarkupEffects::kQuiet))
            actual += " " + Described(item);
        actual += "\n";
    }
    const char* expected = R"(\x03 =>
\x031 =>
\x0312, =>
\x03123,456x => [3,456x] k0 e04000000 c00FF0000 b00445566 h200 u0 fStart Face
\x03,5 => [,5] k0 e04000000 c00112233 b00445566 h200 u0 fStart Face
\x03\x07\x03\x07abc =>
\x03\x071234 =>
\x07 =>
\x0712 =>
\x0700FF0000, =>
\x07zz00FF00,FFFFFFFFt => [t] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x070000FF00,00FF =>
\x19 =>
\x1912345 => [45] k0 e04000000 c00ABCDEF b00445566 h323 u0 fStart Face
\x19x => [x] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x04 =>
\x04\x04\x04x => [x] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x04\x0212 =>
\x04\x02AB\x02\x04\x02CD\x02tail => [tail] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x04\x04\x02AB\x02z => [AB] k0 e04000001 c00ABCDEF b00445566 h200 u0 fStart Face [z] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x05 =>
\x05\x05abcdefg => [abcdefg] k0 e04000000 c00ABCDEF b00445566 h200 u0 fCourier
\x05\x03ab =>
\x05\x7Fshort =>
\x12 =>
\x12\x12\x12x\x12y => [xy] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x1E101\x12 b => [101] k2 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face n101 [ b] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x1E12345678901x => [123456789] k2 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face n123456789 [01x] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x1D65x => [Ax] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x1D0x => [x] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x1D99999x => [x] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x19hid\x12\x19 vis => [hid] k0 e04000100 c00ABCDEF b00445566 h200 u0 fStart Face [ vis] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x19open => [open] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x181,2,0,a,b\x12 after => [1,2,0,a,b] k1 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face [ after] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x181,2,0,a =>
\x12\x07 0 10 host 5 7 name\x12x => [ 0 10 host 5 7 name] k3 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face [x] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x12\x07 bad\x12 =>
\x12\x02\x09\x0F text => [\x09] k0 e04000001 c00ABCDEF b00445566 h200 u0 fStart Face [ text] k0 e04000000 c00112233 b00445566 h200 u0 fStart Face
\x18{a|||/cmd}x\x18 => [x] k0 e04000020 c00ABCDEF b00445566 h200 u0 fStart Face
\x18{odd}x\x18 => [x] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x18{a|||/c =>
\x18open => [open] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x18 =>
\x18{}\x18 =>
\x02\x1F\x1F\x1F\x1F\x1Fu\x16i\x0F\x1Dx\x034,5y\x0Fz => [u] k0 e04000001 c00ABCDEF b00445566 h200 u3 fStart Face [i] k0 e04000003 c00ABCDEF b00445566 h200 u3 fStart Face [x] k0 e04000008 c00112233 b00445566 h200 u0 fStart Face [y] k0 e00000008 c000000FF b00000080 h200 u0 fStart Face [z] k0 e04000000 c00112233 b00445566 h200 u0 fStart Face
\x05\x05\x12x\x12y => [xy] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x034\x05\x05z\x03w => [z] k0 e04000000 c000000FF b00445566 h200 u0 fCourier [w] k0 e04000000 c00112233 b00445566 h200 u0 fCourier
a\x0D\x0Ab => [a\x0D\x0A] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
a\x0Ab\x02 => [a\x0D\x0A] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x01x\x01\x09\x1E\x0B => [\x01x\x01\x09\x1E\x0B] k0 e04000000 c00ABCDEF b00445566 h200 u0 fStart Face
\x1F\x1F =>
\x1F\x1F\x1F\x1F\x1F\x1Fq => [q] k0 e04000004 c00ABCDEF b00445566 h200 u3 fStart Face
\x0F\x0F\x034\x0F\x02\x02 =>
\x1D\x1D\x16 =>
)";
    EXPECT_EQ(actual, expected);
    if (actual != expected) printf("actual:\n%s", actual.c_str());
}
