// Display text built code by code, and the link builder's refusal of outside words that would
// end the link early or add words to its command.
#include <gtest/gtest.h>

#include "markup/display_text.h"

TEST(DisplayText, BuildsTheCodesTheLiteralsHeld) {
    EXPECT_EQ(DisplayText().Heading(L"WHOIS").str(),
              std::wstring(L"\x02") + kSymbolDot + L" WHOIS " + kSymbolDot + L"\x02");
    EXPECT_EQ(DisplayText().Color(4).Bold().Dot().Text(L" x").str(), std::wstring(L"\x03"
                                                                                  L"4\x02") +
                                                                         kSymbolDot + L" x");
    EXPECT_EQ(DisplayText().Color(12, 4).DirectColor(0xA0FF0000, 0x00123456).str(), L"\x03"
                                                                                    L"12,4\x07"
                                                                                    L"A0FF0000,00123456");
}

TEST(DisplayText, LinkCarriesTheProgramCommandWithSafeWords) {
    LinkCommand removal(ProgramCommand(L"/mode"));
    removal.Arg(L"#chan").Arg(L"-b").Arg(L"*!*@host").Arg(7);
    EXPECT_EQ(DisplayText().Link(L"Remove Ban", L"remove", removal).str(),
              L"\x18{Remove Ban|||/mode #chan -b *!*@host 7}remove\x18");
}

TEST(DisplayText, OutsideWordThatWouldBreakTheLinkLeavesTheLabelAlone) {
    const wchar_t* hostile[] = {L"a}b", L"a|||/quit", L"a b", L"a{b", L"a\x18", L"a\x02", L""};
    for (const wchar_t* word : hostile) {
        LinkCommand join(ProgramCommand(L"/join"));
        join.Arg(word);
        EXPECT_FALSE(join.Accepted()) << testing::PrintToString(std::wstring(word));
        EXPECT_EQ(DisplayText().Link(L"join", join).str(), L"join");
    }
    BasicLinkCommand<char> narrow(BasicProgramCommand<char>("/join"));
    narrow.Arg("#caf\xC3\xA9");
    EXPECT_TRUE(narrow.Accepted());
    EXPECT_TRUE(SafeInLinkCommand(std::string("#caf\xC3\xA9")));
    EXPECT_FALSE(SafeInLinkCommand(std::string("a\x7F")));
}
