#include "xml/xml_exchange.h"

#include "common/window_helpers.h"
#include "xml/xml_document.h"
#include "xml/xml_reader.h"
#include "xml/xml_unload.h"
#include "xml/xml_writer.h"

#include <cstring>

namespace {

// The clipboard's CF_TEXT, read no further than its memory block.
bool ReadClipboardText(HWND window, std::string* text) {
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboardPatiently(window)) return false;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            const size_t size = GlobalSize(data);
            text->assign(p, strnlen(p, size));
            GlobalUnlock(data);
            found = true;
        }
    }
    CloseClipboard();
    return found;
}

} // namespace

XmlElement* XmlElementSelectTarget(XmlElement* element, uint32_t index) {
    if (!element) return nullptr;
    if (index == kXmlNotFound) return element;
    if (index >= element->children.Count()) return nullptr;
    if (!element->children.At(index) && !XmlElementReloadChild(element, index)) return nullptr;
    return element->children.At(index);
}

std::string XmlElementExchangeText(XmlElement* element) {
    return XmlElementExportText(element, 1, 1, kXmlFormatMemory, nullptr);
}

XmlElement* XmlElementFromText(const char* text, HWND window) {
    std::string clipboard;
    if (!text) {
        if (!ReadClipboardText(window, &clipboard)) return nullptr;
        text = clipboard.c_str();
    }
    // The text goes through the reader as a document would; only an element actually read is
    // taken, never the empty root a document invents for text without one.
    XmlDocument document;
    XmlElement* first = XmlParseElement(nullptr, nullptr, text, nullptr, &document);
    if (!first || document.state == kXmlStateBroken || document.root != first) return nullptr;
    document.root = nullptr;
    first->parent = nullptr;
    return first;
}

bool XmlElementCopyToClipboard(XmlElement* element, HWND window) {
    if (!element || !window) return false;
    const std::string text = XmlElementExchangeText(element);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 10);
    if (!memory) return false;
    if (char* p = static_cast<char*>(GlobalLock(memory))) {
        std::memcpy(p, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
    }
    if (!OpenClipboardPatiently(window)) {
        GlobalFree(memory);
        return false;
    }
    bool placed = EmptyClipboard() && SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) GlobalFree(memory); // the clipboard owns the block only when it was taken
    return placed;
}
