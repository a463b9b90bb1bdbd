#include <gtest/gtest.h>

#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_exchange.h"

#include <cstring>

namespace {

HWND MakeWindow(const wchar_t* title, int x) {
    return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 40, 300, 200, nullptr,
                           nullptr, nullptr, nullptr);
}

// Other text on the clipboard, put there by the window; null empties it.
void PutText(HWND window, const char* text) {
    ASSERT_TRUE(OpenClipboard(window));
    EmptyClipboard();
    if (text) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
        std::memcpy(GlobalLock(memory), text, std::strlen(text) + 1);
        GlobalUnlock(memory);
        SetClipboardData(CF_TEXT, memory);
    }
    CloseClipboard();
}

} // namespace

TEST(XmlExchange, AnElementCopiedInOneWindowIsMadeBackInAnother) {
    XmlDocument doc;
    XmlDocumentOpenText(&doc, "<?xml ?><root><Script name=\"a &amp; b\"><![CDATA[echo <hi>]]><!-- c -->"
                              "<Step n=\"1\"/>text</Script></root>");
    XmlElement* script = XmlElementGetChild(doc.root, 0);
    HWND source = MakeWindow(L"copy from", 40);
    HWND target = MakeWindow(L"paste into", 400);
    ASSERT_TRUE(source && target);

    EXPECT_FALSE(XmlElementCopyToClipboard(script, nullptr));
    ASSERT_TRUE(XmlElementCopyToClipboard(script, source));
    // Closed again (the system's clipboard keeper may open it at once after a change).
    EXPECT_NE(GetOpenClipboardWindow(), source);
    EXPECT_EQ(GetClipboardOwner(), source);
    XmlElement* pasted = XmlElementFromText(nullptr, target);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(XmlElementCompare(pasted, script), 0);
    EXPECT_NE(GetOpenClipboardWindow(), target);
    XmlElementFree(pasted);

    // Text without an element, an element without its end tag, or no text at all make nothing.
    for (const char* other : {"just words", "<a><b></a>", static_cast<const char*>(nullptr)}) {
        PutText(source, other);
        EXPECT_EQ(XmlElementFromText(nullptr, target), nullptr) << (other ? other : "empty");
    }
    DestroyWindow(source);
    DestroyWindow(target);
}

TEST(XmlExchange, TextsWithAndWithoutDeclaration) {
    for (const char* text : {"<a v=\"1\"/>", "<?xml version=\"1.0\" ?>\r\n<!-- c --><a v=\"1\"><b/></a>"}) {
        XmlElement* e = XmlElementFromText(text);
        ASSERT_NE(e, nullptr) << text;
        EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(e, "v")), "1");
        EXPECT_EQ(XmlElementGetParent(e), nullptr);
        XmlElementFree(e);
    }
    EXPECT_EQ(XmlElementFromText(""), nullptr);
}
