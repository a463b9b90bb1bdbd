#include <gtest/gtest.h>

#include "common/xstring.h"

TEST(XString, NullSourceGivesNullPointersAndEmptyTexts) {
    XString n(static_cast<const char*>(nullptr));
    EXPECT_EQ(n.NarrowPtr(), nullptr);
    EXPECT_EQ(n.WidePtr(), nullptr);
    EXPECT_STREQ(n.Narrow(), "");
    EXPECT_STREQ(n.Wide(), L"");
    EXPECT_EQ(n.Bstr(), nullptr);
    XString w(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(w.WidePtr(), nullptr);
    EXPECT_EQ(w.Bstr(), nullptr);
}

TEST(XString, EmptySourceGivesEmptyNonNullBstr) {
    XString x("");
    EXPECT_STREQ(x.Narrow(), "");
    EXPECT_STREQ(x.Wide(), L"");
    ASSERT_NE(x.Bstr(), nullptr);
    EXPECT_EQ(SysStringLen(x.Bstr()), 0u);
}

TEST(XString, Utf8RoundTrips) {
    XString e("\xC3\xA9", CP_UTF8);
    EXPECT_STREQ(e.Wide(), L"\u00E9");
    EXPECT_STREQ(e.Narrow(), "\xC3\xA9");
    EXPECT_EQ(e.Length(), 2u);

    const wchar_t* mixed = L"caf\u00E9 \u4E2D\u6587 \U0001F600";
    XString w(mixed, CP_UTF8);
    XString back(w.Narrow(), CP_UTF8);
    EXPECT_STREQ(back.Wide(), mixed);
    EXPECT_STREQ(back.Bstr(), mixed);
}

// Three UTF-8 bytes per character overflow any buffer sized as twice the wide length
// plus a little; the text must still convert whole.
TEST(XString, LongCjkTextConvertsWhole) {
    std::wstring cjk(500, L'\u4E2D');
    XString x(cjk, CP_UTF8);
    EXPECT_EQ(x.NarrowString().size(), 1500u);
    XString back(x.NarrowString(), CP_UTF8);
    EXPECT_EQ(back.WideString(), cjk);
}
