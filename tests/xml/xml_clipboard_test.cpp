#include <gtest/gtest.h>

#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_exchange.h"

#include <cstring>
#include <string>

namespace {

HWND MakeWindow(const wchar_t* title, int x) {
    return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 40, 300, 200, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool PutText(HWND window, const char* text) {
    if (!OpenClipboard(window)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
    std::memcpy(GlobalLock(memory), text, std::strlen(text) + 1);
    GlobalUnlock(memory);
    const bool placed = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    return placed;
}

} // namespace

TEST(XmlClipboard, AnElementCopiedInOneWindowIsMadeBackInAnother) {
    XmlDocument doc;
    XmlDocumentOpenText(&doc, "<?xml ?><root><Script name=\"a &amp; b\"><![CDATA[echo <hi>]]><!-- c -->"
                              "<Step n=\"1\"/>text</Script></root>");
    XmlElement* script = XmlElementGetChild(doc.root, 0);
    HWND source = MakeWindow(L"copy from", 40);
    HWND target = MakeWindow(L"paste into", 400);
    ASSERT_TRUE(source && target);

    EXPECT_FALSE(XmlElementCopyToClipboard(script, nullptr));
    ASSERT_TRUE(XmlElementCopyToClipboard(script, source));
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr); // closed again
    EXPECT_EQ(GetClipboardOwner(), source);
    XmlElement* pasted = XmlElementFromText(nullptr, target);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(XmlElementCompare(pasted, script), 0);
    EXPECT_EQ(XmlElementGetParent(pasted), nullptr);
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    XmlElementFree(pasted);

    // Text without an element, or with an element lacking its end tag, makes nothing.
    ASSERT_TRUE(PutText(source, "just words"));
    EXPECT_EQ(XmlElementFromText(nullptr, target), nullptr);
    ASSERT_TRUE(PutText(source, "<a><b></a>"));
    EXPECT_EQ(XmlElementFromText(nullptr, target), nullptr);
    ASSERT_TRUE(PutText(source, "<a x=\"1\"><b/></a>"));
    pasted = XmlElementFromText(nullptr, target);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(XmlElementGetChildCount(pasted), 1u);
    XmlElementFree(pasted);
    ASSERT_TRUE(OpenClipboard(target));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(XmlElementFromText(nullptr, target), nullptr);

    DestroyWindow(source);
    DestroyWindow(target);
}

TEST(XmlClipboard, TextsWithAndWithoutDeclaration) {
    for (const char* text :
         {"<a v=\"1\"/>", "<?xml version=\"1.0\" ?>\r\n<!-- c --><a v=\"1\"/>", "  <a v=\"1\"></a>"}) {
        XmlElement* e = XmlElementFromText(text);
        ASSERT_NE(e, nullptr) << text;
        EXPECT_EQ(XmlElementGetNameString(e), "a");
        EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(e, "v")), "1");
        XmlElementFree(e);
    }
    EXPECT_EQ(XmlElementFromText("<a><b></a>"), nullptr);
    EXPECT_EQ(XmlElementFromText(""), nullptr);
}
