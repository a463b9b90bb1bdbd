#include <gtest/gtest.h>

#include "common/text_compare.h"
#include "common/text_format.h"
#include "common/text_replace.h"
#include "common/text_split.h"

#include <random>

using Pieces = std::vector<std::string>;

TEST(Wildcard, StarsAndQuestionMarks) {
    EXPECT_TRUE(WildcardMatch("abc", "a*c", true));
    EXPECT_TRUE(WildcardMatch("abc", "A*C", false));
    EXPECT_FALSE(WildcardMatch("abc", "A*C", true));
    EXPECT_FALSE(WildcardMatch("abc", "ab", false));
    EXPECT_TRUE(WildcardMatch("", "*", false));
    EXPECT_FALSE(WildcardMatch("", "?", false));
    EXPECT_TRUE(WildcardMatch("", "", false));
    EXPECT_FALSE(WildcardMatch("a", "", false));
    EXPECT_TRUE(WildcardMatch("ab", "ab*", false));
    EXPECT_FALSE(WildcardMatch("ab", "ab**", false)); // the text ends before the second star
    EXPECT_TRUE(WildcardMatch("aXbXc", "*X*c", false));
    EXPECT_FALSE(WildcardMatch("abc", "a*C", true)); // case mode holds after a star
    EXPECT_TRUE(WildcardMatch("nick!user@host.example.org", "*!*@*.example.org", false));
    EXPECT_FALSE(WildcardMatch("nick!user@host.example.com", "*!*@*.example.org", false));
    EXPECT_TRUE(WildcardMatch("abcabd", "*abd", false)); // needs to retry the star
    EXPECT_EQ(WildcardMatchCore("ab", "abc", false), -1);
    EXPECT_EQ(WildcardMatchCore("abc", "abd", false), 0);
}

TEST(Wildcard, OnlyAsciiLettersFold) {
    EXPECT_TRUE(WildcardMatch("[]\\~", "[]\\~", false));
    EXPECT_FALSE(WildcardMatch("{}|^", "[]\\~", false));
    EXPECT_FALSE(WildcardMatch("\xC3\xA9", "\xC3\x89", false));
}

// A hostile mask must not take exponential time: this finishes at once when the matcher
// keeps a single backtrack point.
TEST(Wildcard, HostilePatternIsCheap) {
    std::string text(20000, 'a');
    std::string pattern;
    for (int i = 0; i < 2000; ++i) pattern += "*a";
    pattern += "*b";
    EXPECT_FALSE(WildcardMatch(text, pattern, false));
    std::string stars(100000, '*');
    EXPECT_TRUE(WildcardMatch("x", "x" + stars.substr(0, 1), false));
    EXPECT_FALSE(WildcardMatch("x", "x" + stars, false));
}

TEST(Compare, NoCaseAndRanges) {
    EXPECT_TRUE(StringEqualsNoCase("JOIN", "join"));
    EXPECT_FALSE(StringEqualsNoCase("join", "joins"));
    EXPECT_TRUE(StringEqualsNoCaseSz("Privmsg", "PRIVMSG"));
    EXPECT_TRUE(WStringEqualsNoCase(L"Caf\u00E9", L"CAF\u00E9"));
    EXPECT_FALSE(WStringEqualsNoCase(L"caf\u00E9", L"CAF\u00C9"));
    EXPECT_TRUE(IsInRangeList({3, 7}, 3));
    EXPECT_TRUE(IsInRangeList({3, 7}, 7));
    EXPECT_FALSE(IsInRangeList({3, 7}, 8));
    EXPECT_FALSE(IsInRangeList({3, 7, 9}, 5));
    EXPECT_FALSE(IsInRangeList({}, 0));
    EXPECT_FALSE(IsNonEmpty(nullptr));
    EXPECT_FALSE(IsNonEmpty(""));
    EXPECT_TRUE(IsNonEmpty("x"));
}

TEST(Replace, Modes) {
    std::string s = "cat catalog cat";
    EXPECT_TRUE(StringReplace(s, "cat", "dog", false, 1));
    EXPECT_EQ(s, "dog catalog dog");
    s = "cat catalog cat";
    EXPECT_TRUE(StringReplace(s, "cat", "dog", false, 2));
    EXPECT_EQ(s, "dog catalog dog");
    s = "cat catalog cat";
    EXPECT_TRUE(StringReplace(s, "cat", "dog", false, 0));
    EXPECT_EQ(s, "dog dogalog dog");
    s = "cat's cat[1] 1cat";
    EXPECT_FALSE(StringReplace(s, "cat", "dog", false, 2));
    EXPECT_EQ(s, "cat's cat[1] 1cat");
    s = "cat[1] cat";
    EXPECT_TRUE(StringReplace(s, "cat", "dog", false, 7));
    EXPECT_EQ(s, "cat[1] dog");
    s = "a a a";
    EXPECT_TRUE(StringReplace(s, "a", "b", true, 0));
    EXPECT_EQ(s, "b a a");
    s = "abc";
    EXPECT_FALSE(StringReplace(s, nullptr, "x", false, 0));
    EXPECT_FALSE(StringReplace(s, "", "x", false, 0));
    EXPECT_TRUE(StringReplace(s, "b", nullptr, false, 0));
    EXPECT_EQ(s, "ac");
}

// A replacement holding the searched text (the printer tests whole words by replacing a
// word with itself) must end, and must not replace inside what it inserted.
TEST(Replace, ReplacementContainingFindTextEnds) {
    std::string s = "hello bob, bob";
    EXPECT_TRUE(StringReplace(s, "bob", "bob", false, 1));
    EXPECT_EQ(s, "hello bob, bob");
    s = "x x";
    EXPECT_TRUE(StringReplace(s, "x", "xx", false, 0));
    EXPECT_EQ(s, "xx xx");
    std::wstring w = L"a:) b :)";
    EXPECT_TRUE(StringReplaceW(w, L":)", L"[:)]", false, 0));
    EXPECT_EQ(w, L"a[:)] b [:)]");
}

TEST(Replace, WideModesAndVariants) {
    std::wstring w = L"cat's cat[1]";
    EXPECT_TRUE(StringReplaceW(w, L"cat", L"dog", false, 2)); // wide mode 2 ignores ' and [
    EXPECT_EQ(w, L"dog's dog[1]");
    w = L"cat[1]";
    EXPECT_TRUE(StringReplaceW(w, L"cat", L"dog", false, 9));
    EXPECT_EQ(w, L"dog[1]");
    std::string s = "say $1 now";
    EXPECT_TRUE(StringReplaceEx(s, "$1", "a b", true, 0, true));
    EXPECT_EQ(s, "say \"a b\" now");
    s = "n=$n";
    EXPECT_TRUE(StringReplaceNumber(s, "$n", 18446744073709551615ull, false, 0, false));
    EXPECT_EQ(s, "n=18446744073709551615");
}

TEST(Escapes, UnescapeAndFriends) {
    std::string s = "a\\x41b";
    UnescapeString(s, false);
    EXPECT_EQ(s, "aAb");
    s = "\\xff";
    UnescapeString(s, false);
    EXPECT_EQ(s, "\xff");
    s = "a\\nb";
    UnescapeString(s, true);
    EXPECT_EQ(s, "a\nb");
    s = "a\\nb";
    UnescapeString(s, false);
    EXPECT_EQ(s, "a\\nb");
    s = "x\\x00y\\x4";
    UnescapeString(s, false);
    EXPECT_EQ(s, "xy\\x4");
    s = "\\\\x41\\r\\"; // the escaped backslash is produced once and not scanned again
    UnescapeString(s, true);
    EXPECT_EQ(s, "\\x41\r\\");
    char buffer[] = "p\\x51q";
    UnescapeInPlace(buffer, false);
    EXPECT_STREQ(buffer, "pQq");
    s = "C:\\a\\b";
    EXPECT_EQ(DoubleBackslashes(s), "C:\\\\a\\\\b");
    EXPECT_EQ(HexPairValue('f', 'F'), 255);
    EXPECT_EQ(ParseTwoDigits('4', '2'), 42);
    EXPECT_EQ(ParseTwoDigits('A', '0'), 650);
}

TEST(Split, PlainSplitLimits) {
    Pieces p;
    SplitString(p, "a,,b", kSplitUnlimited, ",");
    EXPECT_EQ(p, (Pieces{"a", "", "b"}));
    SplitString(p, "a b c", 0, " ");
    EXPECT_EQ(p, (Pieces{"a b c"}));
    SplitString(p, "a b c", 1, " ");
    EXPECT_EQ(p, (Pieces{"a", "b c"}));
    SplitString(p, "a b c", 2, " ");
    EXPECT_EQ(p, (Pieces{"a", "b", "c"}));
    SplitString(p, "x", kSplitUnlimited, "");
    EXPECT_EQ(p, (Pieces{"x"}));
    std::vector<std::wstring> w;
    SplitStringW(w, L"a||b||", kSplitUnlimited, L"||");
    EXPECT_EQ(w, (std::vector<std::wstring>{L"a", L"b", L""}));
}

TEST(Split, QuoteAwareSplitAppends) {
    Pieces p{"keep"};
    SplitQuoted(p, "a,,b", ",", false);
    EXPECT_EQ(p, (Pieces{"keep", "a", "b"}));
    p.clear();
    SplitQuoted(p, "x \"a b\" y", " ", true);
    EXPECT_EQ(p, (Pieces{"x", "\"a b\"", "y"}));
    p.clear();
    SplitQuoted(p, "x \"a b\" y", " ", false);
    EXPECT_EQ(p, (Pieces{"x", "\"a", "b\"", "y"}));
    p.clear();
    SplitQuoted(p, "x 'a b", " ", true); // an odd number of quotes protects nothing
    EXPECT_EQ(p, (Pieces{"x", "'a", "b"}));
    p.clear();
    SplitQuoted(p, "it's a \"b c", " ", true); // either quote closes a range either opened
    EXPECT_EQ(p, (Pieces{"it's a \"b", "c"}));
    std::vector<std::wstring> w;
    SplitQuotedW(w, L"  one  two ", L" ", true);
    EXPECT_EQ(w, (std::vector<std::wstring>{L"one", L"two"}));
}

TEST(Trim, LineEnds) {
    std::string s = "abc\r\n\r\n";
    TrimStringCrLf(s);
    EXPECT_EQ(s, "abc");
    char empty[1] = "";
    EXPECT_EQ(TrimCrLf(empty), 0);
    char line[] = "ab\n";
    EXPECT_EQ(TrimCrLf(line), 'b');
    EXPECT_STREQ(line, "ab");
    wchar_t wline[] = L"x\r";
    TrimCrLfW(wline);
    EXPECT_STREQ(wline, L"x");
    char room[6] = "abc";
    EXPECT_EQ(AppendCrLf(room, sizeof room), 0);
    EXPECT_STREQ(room, "abc\r\n");
    EXPECT_EQ(AppendCrLf(room, sizeof room), -1);
    EXPECT_STREQ(room, "abc\r\n");
}

TEST(Format, DurationsSizesAndTimes) {
    EXPECT_EQ(FormatDuration(59), L"00:00:59");
    EXPECT_EQ(FormatDuration(61), L"00:01:01");
    EXPECT_EQ(FormatDuration(3600), L"01:00:00");
    EXPECT_EQ(FormatDuration(360000), L"100:00:00");
    EXPECT_EQ(FormatByteSize(1023), L"1023 B");
    EXPECT_EQ(FormatByteSize(1536), L"1.5 KB");
    EXPECT_EQ(FormatByteSize(5u * 1048576), L"5.0 MB");
    EXPECT_EQ(FormatByteSize(3ull * 1073741824), L"3.0 GB");
    EXPECT_EQ(FormatUnixTime(0), L"01-01-1970 , 00:00:00");
    EXPECT_EQ(FormatUnixTime(951782400), L"29-02-2000 , 00:00:00");
    EXPECT_EQ(FormatUnixTime(2147483647), L"19-01-2038 , 03:14:07");
    EXPECT_EQ(FormatUnixTime(-1), L"31-12-1969 , 23:59:59");
    EXPECT_EQ(Int64ToString(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(Int64ToWString(42), L"42");
}

TEST(Format, NumberHelpers) {
    SYSTEMTIME a{2026, 12, 2, 8, 10, 0, 0, 0}, b{2026, 12, 2, 8, 10, 1, 1, 999};
    EXPECT_EQ(SecondsBetween(a, b), 61);
    EXPECT_EQ(SecondsBetween(b, a), -61);
    EXPECT_EQ(PercentOf(50, 30), 15);
    EXPECT_EQ(PercentOf(2000000000, 50), 1000000000);
    EXPECT_EQ(RandomBelow(0), 0);
    for (int i = 0; i < 100; ++i) EXPECT_LT(RandomBelow(7), 7);
    char word[9] = "";
    EXPECT_EQ(MakeRandomWord(word), 2);
    EXPECT_EQ(strlen(word), 8u);
    for (char c : std::string(word)) EXPECT_TRUE(c >= 'a' && c <= 'z');
    std::string first = word;
    EXPECT_EQ(MakeRandomWord(word), 1); // kept once
    EXPECT_EQ(first, word);
    EXPECT_EQ(MakeRandomWord(word), 2);
}
