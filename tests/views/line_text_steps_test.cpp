// The text steps of the printer and the display palette it reads colours from.
#include <gtest/gtest.h>

#include "views/display_palette.h"
#include "views/line_text_steps.h"

TEST(Palette, LooksUpColoursBothWays) {
    EXPECT_EQ(PaletteColor(4), RGB(255, 0, 0));
    EXPECT_EQ(PaletteColor(31), RGB(192, 192, 192));
    EXPECT_EQ(PaletteColor(32), RGB(255, 255, 255));
    EXPECT_TRUE(IsPaletteColor(RGB(0, 0, 128)));
    EXPECT_FALSE(IsPaletteColor(RGB(1, 2, 3)));
    EXPECT_EQ(PaletteIndexOf(RGB(192, 192, 192)), 15u);
    EXPECT_EQ(PaletteIndexOf(RGB(1, 2, 3)), kNotInPalette);
}

TEST(LineTextSteps, TimeStampReadsOnlyNumberConversions) {
    EXPECT_EQ(FormatTimeStamp(L"\x02 %02u:%02u:%02u | \x02", 9, 5, 7), L"\x02 09:05:07 | \x02");
    EXPECT_EQ(FormatTimeStamp(L"%s %n %% %u", 12, 0, 0), L"%s %n % 12");
    EXPECT_EQ(FormatTimeStamp(L"%u %u %u %u", 1, 2, 3), L"1 2 3 %u");
    EXPECT_EQ(FormatTimeStamp(L"[%-3u|%3d|%i]", 1, 2, 3), L"[1  |  2|3]");
    EXPECT_EQ(FormatTimeStamp(L"100%", 1, 2, 3), L"100%");
}

TEST(LineTextSteps, GroupedPrefixIsDrawnInTheBackground) {
    EXPECT_EQ(HideGroupedPrefix(L"12:00 <bob> hi", RGB(255, 255, 255)), L"\x07"
                                                                        L"00FFFFFF12:00 <bob>\x0F hi");
    EXPECT_EQ(HideGroupedPrefix(L"no sender", 0), L"no sender");
}

TEST(LineTextSteps, SmileysInOrderAndNotInsideMarkup) {
    EXPECT_EQ(ReplaceTextSmileys(L":-) :) ;) :-( :P :o :S"), L"\x12\x1e"
                                                             L"101\x12 \x12\x1e"
                                                             L"101\x12 \x12\x1e"
                                                             L"104\x12 \x12\x1e"
                                                             L"103\x12 \x12\x1e"
                                                             L"116\x12 \x12\x1e"
                                                             L"107\x12 \x12\x1e"
                                                             L"110\x12");
    const std::wstring link = L"\x18{x|||/say :)}:D\x18";
    EXPECT_EQ(ReplaceTextSmileys(link), L"\x18{x|||/say :)}\x12\x1e"
                                        L"102\x12\x18");
    const std::wstring offer = L"\x12\x07 0 1 h 1 1 a:p.png\x12";
    EXPECT_EQ(ReplaceTextSmileys(offer), offer);
}

TEST(LineTextSteps, NoticeTextKeepsItsLastLines) {
    std::wstring recent;
    AppendNoticeText(recent, L"short\r\n");
    EXPECT_EQ(recent, L"short\r\n");
    std::wstring line100(98, L'x');
    line100 += L"\r\n";
    for (int i = 0; i < 3; ++i) AppendNoticeText(recent, line100);
    // 7 + 3 x 100 characters reach 251: the last two lines (200 characters) fit in 248.
    EXPECT_EQ(recent, line100 + line100);
    std::wstring huge(300, L'y');
    AppendNoticeText(recent, huge);
    EXPECT_EQ(recent, L"");
}
