#include "shell/controls/link_commands.h"

#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <cwchar>
#include <cwctype>

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        if (c < 128) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::string Value(XmlElement* element, const char* name) {
    XmlVariable* v = XmlElementFindVariable(element, name);
    return v ? XmlVariableGetValueString(v) : std::string();
}

} // namespace

bool ReadLinkCommands(uint32_t index, std::vector<std::pair<std::string, std::string>>& out) {
    XmlDocument* document = TempDocument;
    if (!document) return false;
    XmlDocumentWriteLock lock(document);
    XmlElement* links = XmlElementFindChild(XmlDocumentGetRoot(document), "Links", 1);
    if (!links || XmlElementGetChildCount(links) <= index) return false;
    XmlElement* link = XmlElementGetChild(links, index);
    const uint32_t count = XmlElementGetChildCount(link);
    for (uint32_t i = 0; i < count; ++i) {
        XmlElement* entry = XmlElementGetChild(link, i);
        out.emplace_back(Value(entry, "v"), Value(entry, "c"));
    }
    return true;
}

bool ParseLinkIndex(const std::wstring& text, uint32_t& index) {
    if (text.compare(0, 3, L"_L_") != 0) return false;
    size_t at = 3;
    uint64_t value = 0;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9' && value < 0xFFFFFFFFull)
        value = value * 10 + static_cast<uint64_t>(text[at++] - L'0');
    if (at == 3 || value > 0xFFFFFFFFull || text.compare(at, 3, L"_L_") != 0) return false;
    index = static_cast<uint32_t>(value);
    return true;
}

PlainLinkAction ClassifyPlainLink(const std::wstring& text, std::wstring& url) {
    if (text.empty()) return PlainLinkAction::Nothing;
    const std::wstring lower = Lower(text);
    const size_t scheme = lower.find(L"://");
    if (scheme != std::wstring::npos) {
        const std::wstring name = lower.substr(0, scheme);
        if (name != L"http" && name != L"https" && name != L"ftp" && name != L"irc")
            return PlainLinkAction::Nothing;
        url = text;
        return PlainLinkAction::OpenUrl;
    }
    if (lower.compare(0, 4, L"www.") == 0) {
        url = L"http://" + text;
        return PlainLinkAction::OpenUrl;
    }
    if (lower.compare(0, 4, L"ftp.") == 0) {
        url = L"ftp://" + text;
        return PlainLinkAction::OpenUrl;
    }
    // Addresses the view detects by themselves ("mailto:", "file:", "news:" ...) are not opened.
    if (text.find(L':') != std::wstring::npos && text[0] != L'#') return PlainLinkAction::Nothing;
    if (text[0] == L'#') return PlainLinkAction::JoinChannel;
    if (text[0] == L'/') return PlainLinkAction::Nothing;
    return PlainLinkAction::SayText;
}
