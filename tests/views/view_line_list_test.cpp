// The custom-drawn view's line list gives back every line exactly as it was appended.
#include <gtest/gtest.h>

#include "views/view_line_list.h"

#include <string>

TEST(ViewLineList, GivesBackEveryLineExactlyAcrossItsBlocks) {
    ViewLineList lines;
    const std::wstring unusual = std::wstring(L"\x02<nick>\x02 \x00e9t\x00e9 \x4e2d ") + wchar_t(0xD83D) +
                                 wchar_t(0xDE00) + L" lone " + wchar_t(0xDC00) + L"\x0f" + wchar_t(0x7FF) +
                                 wchar_t(0x800) + wchar_t(0xFFFF);
    lines.Append(14, unusual);
    lines.Append(0, L"");
    lines.Append(300000, L"a kind above a byte");
    // Long lines run on over the blocks the text is kept in.
    const std::wstring longLine(700000, L'\x4e2d');
    for (int i = 0; i < 3; ++i) lines.Append(1, longLine + std::to_wstring(i));
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ(unusual, lines[0].Text);
    EXPECT_EQ(14u, lines[0].Kind);
    EXPECT_TRUE(lines[1].Text.empty());
    EXPECT_EQ(300000u, lines[2].Kind);
    EXPECT_EQ(L"a kind above a byte", lines[2].Text);
    EXPECT_EQ(longLine + L"2", lines.back().Text);

    lines[0].Runs.emplace_back();
    lines.KeepEntries({0});
    EXPECT_EQ(1u, lines.EntryCount()) << "only the kept line's entry stays";
    EXPECT_EQ(1u, lines[0].Runs.size());
    EXPECT_EQ(longLine + L"1", lines[4].Text) << "a line let go is read again";
}
