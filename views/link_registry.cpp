#include "views/link_registry.h"

#include "common/text_split.h"
#include "common/xstring.h"
#include "markup/markup_codes.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <vector>

namespace {

std::vector<std::wstring> LinkParts(const std::wstring& braceText) {
    std::vector<std::wstring> parts;
    SplitQuotedW(parts, braceText, L"|||", false);
    return parts;
}

bool PartsOpenLink(const std::vector<std::wstring>& parts) {
    return !parts.empty() && parts.size() % 2 == 0;
}

} // namespace

bool LinkCommandsOpen(const std::wstring& braceText) {
    return PartsOpenLink(LinkParts(braceText));
}

uint32_t RecordLinkCommands(const std::wstring& braceText, bool& opened) {
    const std::vector<std::wstring> parts = LinkParts(braceText);
    opened = PartsOpenLink(parts);

    XmlDocument* document = TempDocument;
    if (!document) return 0;
    XmlDocumentWriteLock lock(document);
    XmlElement* links = XmlElementFindChild(XmlDocumentGetRoot(document), "Links", 1);
    if (!links) return 0;
    uint32_t index = XmlElementGetChildCount(links);
    XmlElement* link = XmlElementAddNewChild(links, "<l />");
    if (!link || !opened) return index;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        // Label and command become values through the element interface, never through tag text,
        // so quotes in them cannot add attributes.
        XmlElement* entry = XmlElementAddNewChild(link, "<e />");
        XmlElementAddVariable(entry, "v", WideToNarrow(parts[i]));
        XmlElementAddVariable(entry, "c", WideToNarrow(parts[i + 1]));
    }
    return index;
}

std::wstring LinkIndexMarker(uint32_t index) {
    const std::wstring toggle{static_cast<wchar_t>(kSymbolCode), static_cast<wchar_t>(kSymbolHidden)};
    return toggle + L"_L_" + std::to_wstring(index) + L"_L_" + toggle;
}
