// Display markup as text: stripping, cleaning untrusted text and the fields of offers and tables.
#include <gtest/gtest.h>

#include "markup/markup_fields.h"
#include "markup/strip_format_codes.h"
#include "markup/untrusted_text.h"

TEST(StripFormatCodes, AllCodesLeaveTheVisibleText) {
    struct Case {
        const wchar_t* In;
        const wchar_t* Out;
    };
    const Case cases[] = {
        {L"\x02word\x02", L"word"},
        {L"a\x12\x1e"
         L"101\x12 b",
         L"a101 b"},
        {L"\x03"
         L"12,4x",
         L"x"},
        {L"\x03"
         L"4,x",
         L"x"},
        {L"\x03,5", L",5"},
        {L"\x03\x07\x03\x07"
         L"abc",
         L"abc"},
        {L"\x07"
         L"00FF0000,0000FF00x",
         L"x"},
        {L"\x07"
         L"12",
         L""},
        {L"\x19"
         L"123x",
         L"x"},
        {L"\x19"
         L"1234",
         L"4"},
        {L"\x04\x02"
         L"0123456789ABCDEF\x02tail",
         L"tail"},
        {L"\x04\x04"
         L"shake",
         L"shake"},
        {L"\x01"
         L"ACTION waves\x01",
         L"ACTION waves"},
        {L"\x05\x04"
         L"abcdx",
         L"x"},
        {L"\x05\x7F"
         L"short",
         L""},
        {L"\x16i\x16\x1Fu\x1F\x1Ds\x1D", L"ius"},
        {L"\x0Fkeep\x18"
         L"link\x18",
         L"\x0Fkeep\x18"
         L"link\x18"},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StripFormatCodes(c.In, kStripAll), c.Out) << testing::PrintToString(c.In);
}

TEST(StripFormatCodes, FixedFontPairKeepsTheTextAfterIt) {
    EXPECT_EQ(StripFormatCodes(L"\x05\x05"
                               L"fixed text",
                               kStripAll),
              L"fixed text");
    EXPECT_EQ(StripFormatCodes(L"\x05\x05", kStripAll), L"");
}

TEST(StripFormatCodes, MaskSelectsTheCodes) {
    const std::wstring text = L"\x02"
                              L"b\x02 \x03"
                              L"4c \x16i\x16";
    EXPECT_EQ(StripFormatCodes(text, kStripBold), L"b \x03"
                                                  L"4c \x16i\x16");
    EXPECT_EQ(StripFormatCodes(text, kStripColor), L"\x02"
                                                   L"b\x02 c \x16i\x16");
    EXPECT_EQ(StripFormatCodes(text, 0), text);
}

TEST(CleanUntrustedText, RemovesProgramOnlyCodesAndKeepsIrcOnes) {
    EXPECT_EQ(CleanUntrustedText("\x18{x|||/quit}y\x18"), "{x|||/quit}y");
    EXPECT_EQ(CleanUntrustedText("\x07"
                                 "FF00FF00red"),
              "FF00FF00red");
    EXPECT_EQ(CleanUntrustedText("\x12\x19hidden\x12\x19"), "hidden");
    EXPECT_EQ(CleanUntrustedText("\x12\x1e"
                                 "101\x12"),
              "101");
    EXPECT_EQ(CleanUntrustedText("\x05\x05x"), "x");
    EXPECT_EQ(CleanUntrustedText("\x02"
                                 "b\x02\x03"
                                 "4,5c\x0F\x16i\x1F"),
              "\x02"
              "b\x02\x03"
              "4,5c\x0F\x16i\x1F");
    EXPECT_EQ(CleanUntrustedTextW(L"\x12\x18x\x18 caf\u00e9"), L"x caf\u00e9");
    EXPECT_EQ(CleanUntrustedText("caf\xC3\xA9 \x18"), "caf\xC3\xA9 ");
}

TEST(CleanUntrustedText, KeepsOnlyWellFormedOffersAndTables) {
    const std::string offer = "\x12\x07 0 2048 10.0.0.1 5000 77 pic.png\x12";
    EXPECT_EQ(CleanUntrustedText("look " + offer + " here"), "look " + offer + " here");
    EXPECT_EQ(CleanUntrustedText("\x12\x07 0 2048 10.0.0.1 5000 77 a}b.png\x12"),
              " 0 2048 10.0.0.1 5000 77 a}b.png");
    EXPECT_EQ(CleanUntrustedText("\x12\x07 0 1 h 5000 77 n \x18x\x12"), " 0 1 h 5000 77 n x");
    const std::string table = "\x12\x18"
                              "1,2,0,a,b\x12";
    EXPECT_EQ(CleanUntrustedText(table), table);
    EXPECT_EQ(CleanUntrustedText("\x12\x18"
                                 "65,1,0\x12"),
              "65,1,0");
}

TEST(MarkupFields, OfferNeedsExactlySixWellFormedFields) {
    ObjectOffer offer;
    ASSERT_TRUE(ParseObjectOffer(L" 0 2048 10.0.0.1 5000 77 pic.png", offer));
    EXPECT_EQ(offer.Size, 2048u);
    EXPECT_EQ(offer.Host, L"10.0.0.1");
    EXPECT_EQ(offer.Port, L"5000");
    EXPECT_EQ(offer.Crc, 77u);
    EXPECT_EQ(offer.Name, L"pic.png");
    EXPECT_TRUE(ParseObjectOffer(L"0 18446744073709551615 fe80::1 1 4294967295 x", offer));
    const wchar_t* bad[] = {
        L"0 2048 10.0.0.1 5000 77",            // five fields
        L"0 2048 10.0.0.1 5000 77 a b",        // seven
        L"0 18446744073709551616 h 5000 77 x", // size beyond 64 bits
        L"0 2048 h 0 77 x",                    // port 0
        L"0 2048 h 65536 77 x",                // port too large
        L"0 2048 h 5000 4294967296 x",         // CRC beyond 32 bits
        L"0 2048 h|||x 5000 77 x",             // host with link punctuation
        L"0 2048 h 5000 77 ..",                // not a file name
        L"0 2048 h 5000 77 a\\b",              // path separator
        L"0 2048 h 5000 77 x}",                // would end a link's command
        L"0 -5 h 5000 77 x",                   // not a number
    };
    for (const wchar_t* text : bad)
        EXPECT_FALSE(ParseObjectOffer(text, offer)) << testing::PrintToString(text);
}

TEST(MarkupFields, TableSidesAreBoundedAndCellsCounted) {
    MarkupTable table;
    ASSERT_TRUE(ParseMarkupTable(L"2,2,1,a,,c,d", table));
    EXPECT_EQ(table.Rows, 2u);
    EXPECT_EQ(table.Columns, 2u);
    EXPECT_EQ(table.Flag, 1u);
    EXPECT_EQ(table.Cells, (std::vector<std::wstring>{L"a", L"", L"c", L"d"}));
    EXPECT_FALSE(ParseMarkupTable(L"2,2,1,a,b,c", table));
    EXPECT_FALSE(ParseMarkupTable(L"1,1", table));
    EXPECT_FALSE(ParseMarkupTable(L"0,1,0", table));
    EXPECT_FALSE(ParseMarkupTable(L"65,1,0", table));
    // Sides whose product wraps in 32 bits are refused, not allocated.
    EXPECT_FALSE(ParseMarkupTable(L"4294967296,4294967296,0", table));
    EXPECT_FALSE(ParseMarkupTable(L"65536,65536,0", table));
    std::wstring full = L"64,64,0";
    for (int i = 0; i < 64 * 64; ++i) full += L",x";
    EXPECT_TRUE(ParseMarkupTable(full, table));
    EXPECT_EQ(table.Cells.size(), 4096u);
}
