#include <gtest/gtest.h>

#include "xml/xml_element.h"
#include "xml/xml_escape.h"

#include <memory>
#include <string>

namespace {

struct ElementDeleter {
    void operator()(XmlElement* e) const { XmlElementFree(e); }
};
using ElementPtr = std::unique_ptr<XmlElement, ElementDeleter>;

ElementPtr Make(const char* tag) {
    return ElementPtr(XmlElementCreate(nullptr, tag));
}

} // namespace

TEST(XmlEscape, EveryAmpersandAndSpecialCharacterIsEscapedAndReadsBack) {
    EXPECT_EQ(XmlEscape("< &\""), "&lt; &amp;&quot;");
    EXPECT_EQ(XmlUnescape("&lt; &amp;&quot;"), "< &\"");
    EXPECT_EQ(XmlEscape("a>b'c"), "a&gt;b&apos;c");
    // A stored value holding "&#" must read back as it was set.
    EXPECT_EQ(XmlEscape("&#65;"), "&amp;#65;");
    EXPECT_EQ(XmlUnescape(XmlEscape("&#65; &#x41;")), "&#65; &#x41;");
}

TEST(XmlEscape, NumericReferences) {
    EXPECT_EQ(XmlUnescape("&#65;"), "A");
    EXPECT_EQ(XmlUnescape("&#x41;"), "A");
    EXPECT_EQ(XmlUnescape("&#X20AC;"), "\xE2\x82\xAC");
    EXPECT_EQ(XmlUnescape("&#x1F600;"), "\xF0\x9F\x98\x80"); // beyond 16 bits: not wrapped
    EXPECT_EQ(XmlUnescape("a&b"), "a&b");
    EXPECT_EQ(XmlUnescape("&unknown; &"), "&unknown; &");
    // No NUL and no wrapped code: such references stay literal text.
    EXPECT_EQ(XmlUnescape("&#0;"), "&#0;");
    EXPECT_EQ(XmlUnescape("&#x110000;"), "&#x110000;");
    EXPECT_EQ(XmlUnescape("&#65601;x"), "\xF0\x90\x81\x81x");
    EXPECT_EQ(XmlUnescape("&#99999999999999999999;"), "&#99999999999999999999;");
    EXPECT_EQ(XmlUnescape("&#xD800;"), "&#xD800;");
    EXPECT_EQ(XmlUnescape("&#65"), "&#65"); // no ';'
    EXPECT_EQ(XmlUnescape("&#;&#x;"), "&#;&#x;");
}

TEST(XmlElement, ValuesAreStoredEscapedAndReadUnescaped) {
    ElementPtr e = Make("<e />");
    XmlVariable* v = XmlElementFindVariable(e.get(), "v", 1, "< &\"");
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(XmlVariableGetRawValue(v), "&lt; &amp;&quot;");
    size_t stored = XmlVariableGetValue(v, nullptr, 0);
    std::string buffer(stored + 1, 'x');
    EXPECT_EQ(XmlVariableGetValue(v, buffer.data(), 0), 4u);
    EXPECT_STREQ(buffer.c_str(), "< &\"");
    EXPECT_EQ(XmlElementFindVariable(e.get(), "v"), v);
    // Trailing blanks of names are dropped.
    XmlVariable* w = XmlElementFindVariable(e.get(), "w  ", 1, "1");
    EXPECT_EQ(XmlVariableGetNameString(w), "w");
    EXPECT_EQ(XmlElementFindVariable(e.get(), "w"), w);
}

TEST(XmlElement, ArraysGrowByTheirSteps) {
    ElementPtr e = Make("<e />");
    for (int i = 0; i < 20; ++i) XmlElementAddNewChild(e.get(), "<c/>");
    EXPECT_EQ(e->children.Capacity(), 20u);
    XmlElementAddNewChild(e.get(), "<c/>");
    EXPECT_EQ(e->children.Capacity(), 40u);
    e->texts.Reserve(10);
    EXPECT_EQ(e->texts.Capacity(), 20u);
    XmlElementCompact(e.get());
    EXPECT_EQ(e->children.Capacity(), 21u);
    EXPECT_EQ(e->variables.Capacity(), 1u);
}

TEST(XmlElement, TagTextAndFindPath) {
    ElementPtr e = Make("<Cfg a=\"1\" b = \"two\" c='3'/>");
    EXPECT_EQ(XmlElementGetNameString(e.get()), "Cfg");
    ASSERT_EQ(XmlElementGetVariableCount(e.get()), 2u);
    EXPECT_EQ(XmlVariableGetNameString(e->variables.At(1)), "b");
    EXPECT_EQ(XmlVariableGetValueString(e->variables.At(1)), "two");
    XmlElement* options = XmlElementFindChild(e.get(), "Options1", 1);
    XmlElement* notes = XmlElementFindChild(options, "Notifications", 1);
    EXPECT_EQ(XmlElementFindPath(e.get(), ""), e.get());
    EXPECT_EQ(XmlElementFindPath(e.get(), "Options1\\Notifications"), notes);
    EXPECT_EQ(XmlElementFindPath(e.get(), "Missing\\Notifications"), nullptr);
    EXPECT_EQ(XmlElementFindPath(e.get(), L"Options1"), options);
    EXPECT_EQ(XmlElementGetDepth(notes), 2u);
    EXPECT_EQ(XmlElementGetPathString(notes, 0), "Options1\\Notifications");
    EXPECT_EQ(XmlElementGetPath(e.get(), nullptr, 0), 0u);
    std::string path(XmlElementGetPath(notes, nullptr, 0) + 1, '\0');
    EXPECT_EQ(XmlElementGetPath(notes, path.data(), 0), 22u);
    EXPECT_STREQ(path.c_str(), "Options1\\Notifications");
}

TEST(XmlElement, LongPathsHaveNoFixedLimit) {
    ElementPtr e = Make("<root/>");
    XmlElement* at = e.get();
    std::string expected;
    for (int i = 0; i < 60; ++i) {
        std::string name(100, static_cast<char>('a' + i % 26));
        at = XmlElementFindChild(at, name.c_str(), 1);
        expected += (i ? "\\" : "") + name;
    }
    std::string buffer(XmlElementGetPath(at, nullptr, 0) + 1, '\0');
    EXPECT_EQ(XmlElementGetPath(at, buffer.data(), 0), expected.size());
    EXPECT_EQ(buffer.c_str(), expected);
    EXPECT_EQ(XmlElementFindPath(e.get(), expected.c_str()), at);
}

TEST(XmlElement, BinaryValuesUseUnderscoresForLineBreaks) {
    ElementPtr e = Make("<e/>");
    unsigned char bytes[100];
    for (int i = 0; i < 100; ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    XmlVariable* v = XmlElementAddBinaryVariable(e.get(), "blob", bytes, sizeof bytes);
    std::string stored = XmlVariableGetRawValue(v);
    EXPECT_EQ(stored.find('\r'), std::string::npos);
    EXPECT_EQ(stored.substr(72, 2), "__");
    unsigned char back[100] = {};
    EXPECT_EQ(XmlVariableGetBinary(v, back, sizeof back), 100u);
    EXPECT_EQ(memcmp(back, bytes, 100), 0);
    unsigned char small[10] = {};
    EXPECT_EQ(XmlVariableGetBinary(v, small, sizeof small), 10u);
    EXPECT_EQ(memcmp(small, bytes, 10), 0);
    XmlVariableSetValue(v, "");
    EXPECT_EQ(XmlVariableGetBinary(v, back, sizeof back), 0u);
}

TEST(XmlElement, TypedValues) {
    ElementPtr e = Make("<e/>");
    XmlVariable* v = XmlElementFindVariable(e.get(), "n", 1);
    XmlVariableSetInt(v, -7);
    EXPECT_EQ(XmlVariableGetInt(v), -7);
    XmlVariableSetUInt64(v, 18446744073709551615ull);
    EXPECT_STREQ(XmlVariableGetRawValue(v), "18446744073709551615");
    EXPECT_EQ(XmlVariableGetUInt64(v), 18446744073709551615ull);
    XmlVariableSetInt64(v, -9000000000ll);
    EXPECT_EQ(XmlVariableGetInt64(v), -9000000000ll);
    XmlVariableSetFloat(v, 1.5);
    EXPECT_STREQ(XmlVariableGetRawValue(v), "1.500000");
    XmlVariableSetValue(v, "abc");
    EXPECT_EQ(XmlVariableGetInt(v), 0);
    EXPECT_EQ(XmlVariableGetUInt(v), 0u);
    std::string big(20000, 'x');
    XmlVariableSetFormatted(v, "%s<%d", big.c_str(), 5);
    EXPECT_EQ(XmlVariableGetValueString(v), big + "<5");
}

TEST(XmlElement, LinkingAndRemoval) {
    ElementPtr e = Make("<e/>");
    XmlElement* a = XmlElementAddNewChild(e.get(), "<a/>");
    XmlElement* b = XmlElementAddNewChild(e.get(), "<b/>");
    XmlElement* c = XmlElementCreate(nullptr, "<c/>");
    EXPECT_EQ(XmlElementInsertChild(e.get(), 1, c), 3u);
    EXPECT_EQ(XmlElementGetChild(e.get(), 1), c);
    EXPECT_EQ(c->parent, e.get());
    EXPECT_EQ(XmlElementMoveChild(e.get(), 0, 2), 1);
    EXPECT_EQ(XmlElementGetChild(e.get(), 2), a);
    EXPECT_EQ(XmlElementMoveChild(e.get(), 0, 3), 0);
    XmlElement* out = nullptr;
    EXPECT_EQ(XmlElementDetachChild(e.get(), 0, &out), 2u);
    EXPECT_EQ(out, c);
    EXPECT_EQ(out->parent, nullptr);
    XmlElement* old = nullptr;
    EXPECT_TRUE(XmlElementReplaceChild(e.get(), 0, out, &old));
    EXPECT_EQ(old, b);
    XmlElementFree(old);
    ElementPtr spare = Make("<x/>");
    EXPECT_FALSE(XmlElementReplaceChild(e.get(), 5, spare.get(), nullptr));
    EXPECT_EQ(XmlElementRemoveChild(e.get(), 7), 2u);
    EXPECT_EQ(XmlElementRemoveChild(e.get(), 0), 1u);
    EXPECT_EQ(XmlElementGetChild(e.get(), 0), a);
    EXPECT_EQ(XmlElementFindChildIndex(e.get(), a), 0u);
    EXPECT_EQ(XmlElementFindChildIndexByName(e.get(), "zz"), kXmlNotFound);
}

TEST(XmlElement, BorrowedChildrenAreOnlyUnlinked) {
    ElementPtr owner = Make("<owner/>");
    XmlElement* child = XmlElementAddNewChild(owner.get(), "<shared v=\"1\"/>");
    {
        ElementPtr borrower = Make("<borrower/>");
        XmlElementAddNewChild(borrower.get(), "<own/>");
        EXPECT_EQ(XmlElementInsertBorrowedChild(borrower.get(), child, 0), 2u);
        EXPECT_EQ(XmlElementGetChild(borrower.get(), 0), child);
        EXPECT_EQ(child->parent, owner.get());
        EXPECT_EQ(XmlElementRemoveBorrowedChildren(borrower.get()), 1u);
        XmlElementInsertBorrowedChild(borrower.get(), child);
    } // freeing the borrower leaves the child alone
    EXPECT_EQ(XmlElementGetChild(owner.get(), 0), child);
    EXPECT_EQ(XmlVariableGetInt(XmlElementFindVariable(child, "v")), 1);
}

TEST(XmlElement, TemporaryRecordsAreRemovedOneLevelDown) {
    ElementPtr e = Make("<e/>");
    XmlElement* keep = XmlElementFindChild(e.get(), "keep", 1);
    XmlElementFindChild(e.get(), "temp", 1, nullptr, 1);
    XmlElement* inner = XmlElementFindChild(keep, "inner", 1, nullptr, 1);
    XmlElementFindChild(inner, "deeper", 1, nullptr, 1);
    XmlElementFindVariable(e.get(), "tv", 1, "", 1);
    XmlElementFindVariable(keep, "tv", 1, "", 1);
    XmlElementFindVariable(keep, "kv", 1, "");
    EXPECT_EQ(XmlElementRemoveTemporaryChildren(e.get(), 1), 2u);
    EXPECT_EQ(XmlElementGetChildCount(e.get()), 1u);
    EXPECT_EQ(XmlElementGetChildCount(keep), 0u);
    EXPECT_EQ(XmlElementRemoveTemporaryVariables(e.get(), 0), 1u);
    EXPECT_EQ(XmlElementGetVariableCount(keep), 2u);
    EXPECT_EQ(XmlElementRemoveTemporaryVariables(e.get(), 1), 1u);
    EXPECT_EQ(XmlElementGetVariableCount(keep), 1u);
}

TEST(XmlElement, DuplicateAndCompare) {
    ElementPtr e = Make("<e a=\"1\"/>");
    XmlElement* c = XmlElementAddNewChild(e.get(), "<c x=\"&lt;\"/>");
    XmlElementAddComment(c, " note ");
    XmlElementAddCData(c, "if (a < b) {}");
    XmlElementAddText(e.get(), "text & more");
    unsigned char raw[3] = {0, 1, 2};
    XmlElementAddTextBytes(e.get(), raw, 3, 1);
    ElementPtr copy(XmlElementDuplicate(e.get(), nullptr));
    EXPECT_EQ(XmlElementCompare(e.get(), copy.get()), 0);
    EXPECT_EQ(XmlElementGetChild(copy.get(), 0)->parent, copy.get());
    EXPECT_EQ(XmlTextGetBytes(copy->texts.At(1)), std::string("\0\1\2", 3));
    XmlVariableSetValue(XmlElementFindVariable(copy.get(), "a"), "10");
    EXPECT_EQ(XmlElementCompare(e.get(), copy.get()), 1);
    XmlVariableSetValue(XmlElementFindVariable(copy.get(), "a"), "1");
    XmlElementAddComment(XmlElementGetChild(copy.get(), 0), "more");
    EXPECT_EQ(XmlElementCompare(e.get(), copy.get()), 1);
}

TEST(XmlElement, SortByNameIgnoresCase) {
    ElementPtr e = Make("<e/>");
    for (const char* tag : {"<b/>", "<C/>", "<a/>"}) XmlElementAddNewChild(e.get(), tag);
    XmlElementSortChildren(e.get(), CompareElementsByName);
    EXPECT_EQ(XmlElementGetNameString(XmlElementGetChild(e.get(), 0)), "a");
    EXPECT_EQ(XmlElementGetNameString(XmlElementGetChild(e.get(), 1)), "b");
    EXPECT_EQ(XmlElementGetNameString(XmlElementGetChild(e.get(), 2)), "C");
}

TEST(XmlElement, WideFormsConvertWholeTexts) {
    ElementPtr e = Make("<e/>");
    std::wstring name(3000, L'\u4E2D'); // 9,000 UTF-8 bytes
    XmlElement* c = XmlElementFindChild(e.get(), name.c_str(), 1);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(XmlElementGetNameString(c).size(), 9000u);
    XmlVariable* v = XmlElementFindVariable(c, L"k", 1, name.c_str());
    EXPECT_EQ(XmlVariableGetValueString(v).size(), 9000u);
    EXPECT_EQ(XmlElementFindChild(e.get(), name.c_str()), c);
}

TEST(XmlElement, ValidityAndVersion) {
    ElementPtr e = Make("<e a=\"1\"/>");
    XmlElementAddNewChild(e.get(), "<c/>");
    EXPECT_TRUE(XmlElementIsValid(e.get()));
    e->variables.At(0)->owner = nullptr;
    EXPECT_FALSE(XmlElementIsValid(e.get()));
    XmlLibraryVersion version{};
    GetXmlLibraryVersion(&version);
    EXPECT_EQ(version.major, 1u);
    EXPECT_EQ(version.minor, 99u);
    EXPECT_STREQ(version.date, "30-01-2011");
    EXPECT_EQ(XmlIntPower(2, 10), 1024);
    EXPECT_EQ(XmlIntPower(7, 0), 1);
}

// The body of an entry is its first CDATA section; an entry whose text was written by hand as
// plain element text still has that text as its body until the body is stored again.
TEST(XmlElement, BodyTextIsTheFirstSectionOrElseThePlainText) {
    ElementPtr owner = Make("<s/>");
    XmlElement* plain = owner.get();
    std::string body;
    EXPECT_FALSE(XmlElementGetBodyText(plain, body));
    XmlElementAddText(plain, "/msg #c <hi> & bye");
    ASSERT_TRUE(XmlElementGetBodyText(plain, body));
    EXPECT_EQ(body, "/msg #c <hi> & bye");
    XmlElementSetBodyText(plain, "/msg #c new");
    EXPECT_EQ(XmlElementGetTextCount(plain), 0u);
    ASSERT_EQ(XmlElementGetCDataCount(plain), 1u);
    EXPECT_EQ(XmlElementGetCDataSections(plain)[0]->text, "/msg #c new");

    ElementPtr other = Make("<s/>");
    XmlElement* both = other.get();
    XmlElementAddText(both, "note");
    XmlElementAddCData(both, "script");
    ASSERT_TRUE(XmlElementGetBodyText(both, body));
    EXPECT_EQ(body, "script");
    XmlElementSetBodyText(both, "changed");
    EXPECT_EQ(XmlElementGetTextCount(both), 1u);
    EXPECT_EQ(XmlElementGetCDataSections(both)[0]->text, "changed");
}
