#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/xml/xml_test_files.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_header.h"
#include "xml/xml_reader.h"
#include "xml/xml_writer.h"

#include <string>

namespace {

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

std::string Name(const XmlElement* e) {
    return XmlElementGetNameString(e);
}

// The document text as the writer produces it, for comparing trees in tests.
std::string Text(XmlDocument* d) {
    return XmlElementExportText(d->root, 1, 1, 0, d->header);
}

} // namespace

TEST(XmlReader, MissingFileGivesEmptyDocumentThatKeepsItsName) {
    TempFolder folder;
    std::wstring path = folder.File(L"missing.xml");
    XmlDocument d;
    XmlDocumentOpenFile(&d, path.c_str());
    EXPECT_EQ(d.state, kXmlStateDeclared);
    EXPECT_EQ(d.header->line, kDecl);
    EXPECT_EQ(Name(d.root), "root");
    EXPECT_EQ(XmlElementGetChildCount(d.root), 0u);
    ASSERT_EQ(XmlDocumentSave(&d, nullptr, 1, 0, nullptr), 1);
    EXPECT_EQ(ReadFileBytes(path), std::string(kDecl) + "\r\n<root/>\r\n");
}

TEST(XmlReader, EmptyFileIsInventedButKeepsItsName) {
    TempFolder folder;
    std::wstring path = folder.File(L"empty.xml");
    ASSERT_TRUE(WriteFileBytes(path, ""));
    XmlDocument d;
    XmlDocumentOpenFile(&d, path.c_str());
    EXPECT_EQ(d.state, kXmlStateInvented);
    EXPECT_EQ(d.header->line, std::string("\xEF\xBB\xBF") + kDecl);
    EXPECT_EQ(Name(d.root), "root");
    EXPECT_TRUE(d.hasFileName);
}

TEST(XmlReader, UserDocumentWithoutDeclarationIsStillSaved) {
    TempFolder folder;
    std::wstring path = folder.File(L"qv.xml");
    ASSERT_TRUE(WriteFileBytes(path, "<Cfg><Options1 Nick=\"a\"/></Cfg>"));
    XmlDocument d;
    XmlDocumentOpenFile(&d, path.c_str());
    EXPECT_EQ(d.state, kXmlStateInvented);
    XmlSetValueByPath(&d, "Options1", "Nick", "b");
    ASSERT_EQ(XmlDocumentSave(&d, nullptr, 1, 0, nullptr), 1);
    EXPECT_EQ(ReadFileBytes(path),
              std::string(kDecl) + "\r\n<Cfg>\r\n\t<Options1 Nick=\"b\"/>\r\n</Cfg>\r\n");
}

TEST(XmlReader, Utf16WithMarkReadsLikeItsUtf8Form) {
    TempFolder folder;
    std::string utf8 = std::string(kDecl) + "\r\n<Cfg name=\"caf\xC3\xA9\"><x>\xE4\xB8\xAD</x></Cfg>\r\n";
    std::wstring wide = L"\xFEFF" + NarrowToWide(utf8);
    std::string bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    ASSERT_TRUE(WriteFileBytes(folder.File(L"u16.xml"), bytes));
    ASSERT_TRUE(WriteFileBytes(folder.File(L"u8.xml"), utf8));
    XmlDocument a, b;
    XmlDocumentOpenFile(&a, folder.File(L"u16.xml").c_str());
    XmlDocumentOpenFile(&b, folder.File(L"u8.xml").c_str());
    EXPECT_EQ(a.state, kXmlStateDeclared);
    EXPECT_EQ(a.header->line, std::string("\xEF\xBB\xBF") + kDecl);
    EXPECT_EQ(XmlElementCompare(a.root, b.root), 0);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(a.root, "name")), "caf\xC3\xA9");
}

TEST(XmlReader, Utf8MarkStaysInTheHeaderLine) {
    XmlDocument d;
    XmlDocumentOpenText(&d, (std::string("\xEF\xBB\xBF") + kDecl + "<r/>").c_str());
    EXPECT_EQ(d.state, kXmlStateDeclared);
    EXPECT_EQ(d.header->line, std::string("\xEF\xBB\xBF") + kDecl);
}

TEST(XmlReader, OnlyALeadingDeclarationCounts) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<r v=\"a ?> b\"><?pi x?><c/></r>");
    EXPECT_EQ(d.state, kXmlStateInvented);
    EXPECT_EQ(Name(d.root), "r");
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(d.root, "v")), "a ?> b");
    EXPECT_EQ(XmlElementGetChildCount(d.root), 1u);
}

TEST(XmlReader, TextItemsAreTrimmedAndBlankRunsDropped) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><r><a>  hello  </a><b>\r\n\t<c/>\r\n</b></r>");
    XmlElement* a = XmlElementFindChild(d.root, "a");
    ASSERT_EQ(XmlElementGetTextCount(a), 1u);
    EXPECT_EQ(XmlTextGetTextString(a->texts.At(0)), "hello");
    EXPECT_EQ(XmlElementGetTextCount(XmlElementFindChild(d.root, "b")), 0u);
}

TEST(XmlReader, AttributesNeedDoubleQuotesAndLoseBlanksAroundTheirNames) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><r><s a = \"1\" b=\"2\" d=\"x&amp;y\" e=\"1 > 0\" c='3'/></r>");
    XmlElement* s = XmlElementFindChild(d.root, "s");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(XmlVariableGetNameString(s->variables.At(0)), "a");
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(s, "b")), "2");
    EXPECT_EQ(XmlElementFindVariable(s, "c"), nullptr);
    EXPECT_STREQ(XmlVariableGetRawValue(XmlElementFindVariable(s, "d")), "x&amp;y");
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(s, "d")), "x&y");
    // A '>' inside a quoted value does not end the tag.
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(s, "e")), "1 > 0");
}

TEST(XmlReader, TagEndFollowsTheAttributeGrammar) {
    // A stray quote in an attribute name does not hide the tag's end, and what is read is
    // written so that it reads back the same.
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><r><s a\"b=\"1\" c=\"x>y\"/><t/></r>");
    EXPECT_EQ(d.state, kXmlStateDeclared);
    XmlElement* s = XmlElementFindChild(d.root, "s");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(XmlVariableGetNameString(s->variables.At(0)), "a\"b");
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(s, "c")), "x>y");
    EXPECT_NE(XmlElementFindChild(d.root, "t"), nullptr);
    XmlDocument again;
    XmlDocumentOpenText(&again, Text(&d).c_str());
    EXPECT_EQ(Text(&again), Text(&d));
}

TEST(XmlReader, CommentsAndCDataKeepTheirPlaces) {
    XmlDocument d;
    XmlDocumentOpenText(&d,
                        "<?xml ?>\r\n<!--before--><r><!--c0--><a/><![CDATA[x < y]]><b/>t</r><!--after-->");
    ASSERT_EQ(XmlHeaderGetCommentCount(d.header), 2u);
    EXPECT_EQ(d.header->comments.At(0)->text, "before");
    EXPECT_EQ(d.header->comments.At(0)->position, 0u);
    EXPECT_EQ(d.header->comments.At(1)->position, 1u);
    EXPECT_EQ(d.root->comments.At(0)->position, 0u);
    EXPECT_EQ(d.root->cdata.At(0)->text, "x < y");
    EXPECT_EQ(d.root->cdata.At(0)->position, 1u);
    EXPECT_EQ(d.root->texts.At(0)->position, 2u);
}

TEST(XmlReader, LostEndTagKeepsWhatWasRead) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><Cfg><A v=\"1\"/><B><C w=\"2\"/>");
    EXPECT_EQ(d.state, kXmlStateBroken);
    ASSERT_NE(d.root, nullptr);
    EXPECT_EQ(Name(d.root), "Cfg");
    EXPECT_NE(XmlElementFindPath(d.root, "B\\C"), nullptr);
    EXPECT_EQ(XmlVariableGetInt(XmlElementFindVariable(XmlElementFindPath(d.root, "A"), "v")), 1);
}

TEST(XmlReader, DocumentTypeDeclarationCountsAsAnUnclosedTag) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><!DOCTYPE r><r/>");
    EXPECT_EQ(d.state, kXmlStateBroken);
    EXPECT_NE(d.root, nullptr);
}

TEST(XmlReader, LaterTopLevelElementsAreDropped) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><first a=\"1\"><x/></first><second><y/></second><third/>");
    EXPECT_EQ(d.state, kXmlStateDeclared);
    EXPECT_EQ(Name(d.root), "first");
    EXPECT_EQ(XmlElementGetChildCount(d.root), 1u);
}

TEST(XmlReader, ParseIntoAnElement) {
    XmlElement* parent = XmlElementCreate(nullptr, "<p/>");
    size_t end = 0;
    XmlElement* first = XmlParseElement(nullptr, parent, "<a/><b><c/></b>text", &end, nullptr);
    EXPECT_EQ(first, XmlElementGetChild(parent, 0));
    EXPECT_EQ(XmlElementGetChildCount(parent), 2u);
    EXPECT_EQ(XmlElementGetTextCount(parent), 1u);
    XmlElementFree(parent);
}

// ---- hostile and damaged input: each loads to a defined state ----

TEST(XmlReaderBadInput, TruncatedAtEveryByteLoadsToADefinedState) {
    std::string good =
        std::string(kDecl) +
        "\r\n<!--c--><Cfg a=\"&lt;x&gt;\"><O k=\"v\"/><S><![CDATA[say hi]]><!--n--></S>t</Cfg>\r\n";
    for (size_t n = 0; n <= good.size(); ++n) {
        XmlDocument d;
        XmlDocumentOpenText(&d, good.substr(0, n).c_str());
        ASSERT_NE(d.root, nullptr) << n;
        ASSERT_NE(d.header, nullptr) << n;
        EXPECT_TRUE(XmlDocumentIsValid(&d));
        EXPECT_TRUE(d.state >= 0 && d.state <= 2) << n;
        Text(&d);
    }
}

TEST(XmlReaderBadInput, UndefinedEntitiesAndInvalidUtf8PassThrough) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml ?><r v=\"&nbsp;&#xFFFFFFFF;\xC3\x28\xFF\">&bogus; \xF0\x28\x8C</r>");
    EXPECT_EQ(d.state, kXmlStateDeclared);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(d.root, "v")),
              "&nbsp;&#xFFFFFFFF;\xC3\x28\xFF");
    EXPECT_EQ(XmlTextGetTextString(d.root->texts.At(0)), "&bogus; \xF0\x28\x8C");
    // Written out, what is not UTF-8 becomes U+FFFD; the rest reads back as it was.
    XmlDocument copy;
    XmlDocumentOpenText(&copy, Text(&d).c_str());
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(copy.root, "v")),
              "&nbsp;&#xFFFFFFFF;\xEF\xBF\xBD(\xEF\xBF\xBD");
    EXPECT_EQ(XmlTextGetTextString(copy.root->texts.At(0)), "&bogus; \xEF\xBF\xBD(\xEF\xBF\xBD");
}

TEST(XmlReaderBadInput, Utf16WithoutMarkEndsAtItsFirstZeroByte) {
    TempFolder folder;
    std::wstring wide = NarrowToWide(std::string(kDecl) + "<r a=\"1\"/>");
    ASSERT_TRUE(WriteFileBytes(folder.File(L"nomark.xml"),
                               std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)));
    XmlDocument d;
    XmlDocumentOpenFile(&d, folder.File(L"nomark.xml").c_str());
    EXPECT_EQ(d.state, kXmlStateInvented);
    EXPECT_EQ(Name(d.root), "root");
}

TEST(XmlReaderBadInput, BinaryGarbage) {
    uint32_t seed = 12345;
    for (int round = 0; round < 50; ++round) {
        std::string bytes(4096, '\0');
        for (char& c : bytes) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<char>(seed >> 16);
        }
        // Plenty of markup characters so the scanner has work to do.
        for (size_t i = 0; i < bytes.size(); i += 7) bytes[i] = "<>/\"=!-?["[i % 9];
        XmlDocument d;
        XmlDocumentOpen(&d, bytes.c_str(), kXmlLoadText, nullptr);
        ASSERT_NE(d.root, nullptr);
        EXPECT_TRUE(XmlDocumentIsValid(&d));
        Text(&d);
    }
}

TEST(XmlReaderBadInput, HugeAttributeValue) {
    TempFolder folder;
    std::string value(100u << 20, 'v');
    value[12345] = '>';
    std::string text = std::string(kDecl) + "<r big=\"" + value + "\"><c/></r>";
    ASSERT_TRUE(WriteFileBytes(folder.File(L"big.xml"), text));
    text.clear();
    XmlDocument d;
    XmlDocumentOpenFile(&d, folder.File(L"big.xml").c_str());
    EXPECT_EQ(d.state, kXmlStateDeclared);
    XmlVariable* big = XmlElementFindVariable(d.root, "big");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->value.size(), value.size());
    EXPECT_EQ(XmlElementGetChildCount(d.root), 1u);
}

TEST(XmlReaderBadInput, MillionNestedElementsStopAtTheDepthLimit) {
    std::string text(kDecl);
    text.reserve(text.size() + 4000000);
    for (int i = 0; i < 1000000; ++i) text += "<a>";
    XmlDocument d;
    XmlDocumentOpenText(&d, text.c_str());
    EXPECT_EQ(d.state, kXmlStateBroken);
    uint32_t depth = 0;
    for (XmlElement* e = d.root; XmlElementGetChildCount(e); e = XmlElementGetChild(e, 0)) ++depth;
    EXPECT_EQ(depth + 1, kXmlMaxDepth);
    std::string written = Text(&d);
    EXPECT_GT(written.size(), kXmlMaxDepth * 4);
    // Closed nesting deeper than the limit is cut the same way.
    std::string closed(kDecl);
    for (int i = 0; i < 5000; ++i) closed += "<a>";
    for (int i = 0; i < 5000; ++i) closed += "</a>";
    XmlDocumentOpenText(&d, closed.c_str());
    EXPECT_EQ(d.state, kXmlStateBroken);
}
