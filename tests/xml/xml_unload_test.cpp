#include <gtest/gtest.h>

#include "tests/xml/xml_test_files.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_unload.h"
#include "xml/xml_writer.h"

#include <string>

namespace {

class XmlUnload : public testing::Test {
protected:
    XmlUnload() : here_(folder_.Path()) {
        XmlDocumentOpenText(
            &doc_, "<?xml ?><r><a v=\"1\"><x/></a><b v=\"2\"/><c v=\"3\"><y w=\"&lt;&amp;\"/></c></r>");
    }

    std::string Text() { return XmlElementExportText(doc_.root, 1, 1, 0, doc_.header); }
    std::string Value(const char* path, const char* key) {
        return XmlVariableGetValueString(XmlElementFindVariable(XmlElementFindPath(doc_.root, path), key));
    }

    TempFolder folder_;
    CurrentFolder here_;
    XmlDocument doc_;
};

} // namespace

TEST_F(XmlUnload, FileNamesFollowTheTreePosition) {
    EXPECT_EQ(XmlUnloadFileName(doc_.root, 3), L"3.xmltmp");
    XmlElement* five = doc_.root;
    for (int i = 0; i < 6; ++i) XmlElementAddNewChild(doc_.root, "<n/>");
    five = XmlElementGetChild(doc_.root, 5);
    EXPECT_EQ(XmlUnloadFileName(five, 2), L"5-2.xmltmp");
}

TEST_F(XmlUnload, UnloadTwiceTouchesTheFileOnce) {
    std::string before = Text();
    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 0), 1);
    EXPECT_EQ(XmlElementGetChild(doc_.root, 0), nullptr);
    std::wstring file = XmlUnloadedFileOf(doc_.root, 0);
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(XmlElementUnloadChild(doc_.root, 0), 1);
    // Writing reloads the child in place and the text is as before.
    EXPECT_EQ(Text(), before);
    EXPECT_NE(XmlElementGetChild(doc_.root, 0), nullptr);
    EXPECT_FALSE(FileExists(file));
}

TEST_F(XmlUnload, LeftoverFileKeepsTheChildInMemory) {
    ASSERT_TRUE(WriteFileBytes(folder_.File(L"1.xmltmp"), "<old/>"));
    EXPECT_EQ(XmlElementUnloadChild(doc_.root, 1), 0);
    EXPECT_NE(XmlElementGetChild(doc_.root, 1), nullptr);
    EXPECT_EQ(ReadFileBytes(folder_.File(L"1.xmltmp")), "<old/>");
}

TEST_F(XmlUnload, EscapedValuesSurvive) {
    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 2), 1);
    ASSERT_EQ(XmlElementReloadChild(doc_.root, 2), 1);
    EXPECT_EQ(Value("c\\y", "w"), "<&");
}

TEST_F(XmlUnload, SiblingChangesNeverReloadTheWrongSubtree) {
    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 1), 1); // b
    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 2), 1); // c
    // Insert before them and remove after: slots move, their files stay theirs.
    XmlElementInsertChild(doc_.root, 0, XmlElementCreate(nullptr, "<z v=\"0\"/>"));
    XmlElementRemoveChild(doc_.root, 1); // a
    ASSERT_EQ(XmlElementReloadChild(doc_.root, 2), 1);
    ASSERT_EQ(XmlElementReloadChild(doc_.root, 1), 1);
    EXPECT_EQ(XmlElementGetNameString(XmlElementGetChild(doc_.root, 1)), "b");
    EXPECT_EQ(XmlElementGetNameString(XmlElementGetChild(doc_.root, 2)), "c");
    EXPECT_EQ(Value("c\\y", "w"), "<&");
}

TEST_F(XmlUnload, RemovingFreeingAndClosingDeleteTheFiles) {
    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 0), 1);
    std::wstring first = XmlUnloadedFileOf(doc_.root, 0);
    XmlElementRemoveChild(doc_.root, 0);
    EXPECT_FALSE(FileExists(first));
    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 1), 1);
    std::wstring second = XmlUnloadedFileOf(doc_.root, 1);
    XmlDocumentClose(&doc_);
    EXPECT_FALSE(FileExists(second));
}

TEST_F(XmlUnload, CopiesSortsAndLookupsCopeWithEmptySlots) {
    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 0), 1);
    EXPECT_EQ(XmlElementFindChild(doc_.root, "b"), XmlElementGetChild(doc_.root, 1));
    XmlElementSortChildren(doc_.root);
    EXPECT_EQ(XmlElementGetChild(doc_.root, 2), nullptr) << "the empty slot goes last";
    EXPECT_EQ(XmlElementReloadChild(doc_.root, 2), 1);
    EXPECT_EQ(XmlElementGetNameString(XmlElementGetChild(doc_.root, 2)), "a");

    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 0), 1);
    XmlElement* copy = XmlElementDuplicate(doc_.root, nullptr);
    EXPECT_EQ(XmlElementCompare(copy, doc_.root), 0);
    EXPECT_EQ(XmlElementGetChildCount(copy), 3u);
    XmlElementFree(copy);

    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 1), 1);
    XmlElement* detached = nullptr;
    EXPECT_EQ(XmlElementDetachChild(doc_.root, 1, &detached), 2u);
    ASSERT_NE(detached, nullptr);
    XmlElementFree(detached);
}

TEST_F(XmlUnload, MissingFileFailsTheReload) {
    ASSERT_EQ(XmlElementUnloadChild(doc_.root, 0), 1);
    DeleteFileW(XmlUnloadedFileOf(doc_.root, 0).c_str());
    EXPECT_EQ(XmlElementReloadChild(doc_.root, 0), 0);
    EXPECT_EQ(XmlElementGetChild(doc_.root, 0), nullptr);
}
