#include "xml/xml_unload.h"

#include <windows.h>

#include "common/shell_helpers.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_reader.h"
#include "xml/xml_writer.h"

#include <vector>

namespace {

const std::wstring* TicketFile(const XmlElement* parent, uint32_t ticket) {
    if (ticket == 0 || ticket > parent->unloadedFiles.size()) return nullptr;
    const std::wstring& name = parent->unloadedFiles[ticket - 1];
    return name.empty() ? nullptr : &name;
}

uint32_t IndexOf(const XmlElement* e) {
    for (uint32_t i = 0; i < e->parent->children.Count(); ++i) {
        if (e->parent->children.At(i) == e) return i;
    }
    return 0;
}

bool WriteNewFile(const std::wstring& path, const std::string& text) {
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = text.size() < 0x7FFFFFFF &&
              WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    ok = CloseHandle(h) && ok;
    if (!ok) DeleteFileW(path.c_str());
    return ok;
}

void ReloadSubtree(XmlElement* e) {
    XmlElementReloadAll(e);
    for (uint32_t i = 0; i < e->children.Count(); ++i) {
        if (XmlElement* c = e->children.At(i)) ReloadSubtree(c);
    }
}

} // namespace

std::wstring XmlUnloadFileName(const XmlElement* parent, uint32_t index) {
    std::vector<uint32_t> chain;
    for (const XmlElement* e = parent; e && e->parent; e = e->parent) chain.push_back(IndexOf(e));
    std::wstring name;
    for (size_t i = chain.size(); i-- > 0;) {
        if (!name.empty()) name += L'-';
        name += std::to_wstring(chain[i]);
    }
    if (!name.empty()) name += L'-';
    name += std::to_wstring(index);
    return name + L".xmltmp";
}

std::wstring XmlUnloadedFileOf(const XmlElement* parent, uint32_t index) {
    if (!parent || index >= parent->children.Count() || parent->children.At(index)) return {};
    const std::wstring* file = TicketFile(parent, parent->children.Key(index));
    return file ? *file : std::wstring();
}

int XmlElementUnloadChild(XmlElement* parent, uint32_t index) {
    if (!parent || index >= parent->children.Count()) return 0;
    XmlElement* child = parent->children.At(index);
    if (!child) return 1;
    ReloadSubtree(child);
    std::wstring path = FullPathName(XmlUnloadFileName(parent, index));
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
    std::string text;
    // Written as stored, so values with special characters come back unchanged.
    XmlElementWrite(text, child, 0, 1, 1, 0);
    if (!WriteNewFile(path, text)) return 0;
    parent->unloadedFiles.push_back(path);
    parent->children.Set(index, nullptr);
    parent->children.SetKey(index, static_cast<uint32_t>(parent->unloadedFiles.size()));
    delete child;
    return 1;
}

int XmlElementReloadChild(XmlElement* parent, uint32_t index) {
    if (!parent || index >= parent->children.Count()) return 0;
    if (parent->children.At(index)) return 1;
    uint32_t ticket = parent->children.Key(index);
    const std::wstring* file = TicketFile(parent, ticket);
    if (!file) return 0;
    std::string text;
    if (!XmlReadFile(file->c_str(), nullptr, &text)) return 0;
    XmlDocument loaded;
    XmlDocumentLoad(&loaded, text.c_str(), kXmlLoadText, nullptr);
    if (loaded.state == kXmlStateBroken || !loaded.root) return 0;
    XmlElement* child = XmlDocumentTakeRoot(&loaded);
    child->parent = parent;
    parent->children.Set(index, child);
    parent->children.SetKey(index, 0);
    XmlDeleteUnloadedFile(parent, ticket);
    return 1;
}

void XmlElementReloadAll(XmlElement* element) {
    if (!element) return;
    for (uint32_t i = 0; i < element->children.Count(); ++i) {
        if (!element->children.At(i)) XmlElementReloadChild(element, i);
    }
}

void XmlDeleteUnloadedFile(XmlElement* parent, uint32_t ticket) {
    if (const std::wstring* file = TicketFile(parent, ticket)) DeleteFileW(file->c_str());
    XmlForgetUnloadedFile(parent, ticket);
}

void XmlForgetUnloadedFile(XmlElement* parent, uint32_t ticket) {
    if (ticket == 0 || ticket > parent->unloadedFiles.size()) return;
    parent->unloadedFiles[ticket - 1].clear();
    while (!parent->unloadedFiles.empty() && parent->unloadedFiles.back().empty())
        parent->unloadedFiles.pop_back();
}
