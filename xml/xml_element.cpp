// Creation, linking, finding and removal of elements.
#include "xml/xml_element.h"

#include "common/xstring.h"
#include "xml/xml_escape.h"
#include "xml/xml_reader.h"
#include "xml/xml_unload.h"

#include <algorithm>

namespace {

std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string Utf8(const wchar_t* text) {
    return text ? WideToNarrow(text, wcslen(text)) : std::string();
}

int BorrowedIndex(const XmlElement* element, const XmlElement* child) {
    for (size_t i = 0; i < element->borrowed.size(); ++i) {
        if (element->borrowed[i].inUse && element->borrowed[i].child == child) return static_cast<int>(i);
    }
    return -1;
}

// Lets go of what a slot holds: the file of an unloaded child, the link of a borrowed one, or
// the owned subtree.
void ReleaseSlot(XmlElement* element, uint32_t index) {
    XmlElement* child = element->children.At(index);
    if (!child) {
        XmlDeleteUnloadedFile(element, element->children.Key(index));
        return;
    }
    int b = BorrowedIndex(element, child);
    if (b >= 0) {
        element->borrowed[b] = XmlBorrowedChild{};
        return;
    }
    delete child;
}

} // namespace

XmlElement::~XmlElement() {
    XmlElementDestroy(this);
}

// ---- creation and linking ----

void XmlElementInit(XmlElement* element, XmlElement* parent, const char* tag, uint32_t type,
                    uint8_t temporary) {
    if (!element) return;
    XmlElementClear(element);
    element->parent = parent;
    element->type = type;
    element->temporary = temporary;
    if (!tag) {
        XmlParseTagText(element, "<root />");
    } else if (type == 1) {
        XmlElementSetName(element, tag);
    } else {
        XmlParseTagText(element, tag);
    }
}

void XmlElementInit(XmlElement* element, XmlElement* parent, const wchar_t* tag, uint32_t type,
                    uint8_t temporary) {
    std::string narrow = Utf8(tag);
    XmlElementInit(element, parent, tag ? narrow.c_str() : nullptr, type, temporary);
}

XmlElement* XmlElementCreate(XmlElement* parent, const char* tag, uint32_t type, uint8_t temporary) {
    XmlElement* element = new XmlElement;
    XmlElementInit(element, parent, tag, type, temporary);
    return element;
}

XmlElement* XmlElementCreateNamed(XmlElement* parent, std::string_view plainName, uint8_t temporary) {
    XmlElement* element = new XmlElement;
    element->parent = parent;
    element->temporary = temporary;
    element->name = XmlEscape(plainName);
    element->nameHash = XmlPlainHash(plainName);
    return element;
}

void XmlElementFree(XmlElement* element) {
    delete element;
}

XmlElement* XmlElementAddNewChild(XmlElement* element, const char* tag) {
    if (!element) return nullptr;
    XmlElement* child = XmlElementCreate(element, tag);
    XmlElementAppendChild(element, child);
    return child;
}

XmlElement* XmlElementAddNewChild(XmlElement* element, const wchar_t* tag) {
    std::string narrow = Utf8(tag);
    return XmlElementAddNewChild(element, tag ? narrow.c_str() : nullptr);
}

uint32_t XmlElementAppendChild(XmlElement* element, XmlElement* child) {
    if (!element || !child) return element ? element->children.Count() : 0;
    element->children.Append(child);
    child->parent = element;
    return element->children.Count();
}

uint32_t XmlElementInsertChild(XmlElement* element, uint32_t index, XmlElement* child) {
    if (!element || !child) return element ? element->children.Count() : 0;
    element->children.Insert(std::min(index, element->children.Count()), child);
    child->parent = element;
    return element->children.Count();
}

uint32_t XmlElementInsertBorrowedChild(XmlElement* element, XmlElement* child, int32_t index) {
    if (!element || !child) return element ? element->children.Count() : 0;
    element->borrowed.push_back(XmlBorrowedChild{1, child});
    uint32_t at = index < 0 ? element->children.Count()
                            : std::min(static_cast<uint32_t>(index), element->children.Count());
    element->children.Insert(at, child);
    return element->children.Count();
}

int XmlElementMoveChild(XmlElement* element, uint32_t from, uint32_t to) {
    if (!element || from >= element->children.Count() || to >= element->children.Count()) return 0;
    XmlElement* child = element->children.At(from);
    uint32_t key = element->children.Key(from);
    element->children.Erase(from);
    element->children.Insert(to, child, key);
    return 1;
}

static uint32_t Detach(XmlElement* element, uint32_t index, XmlElement** out, bool reload) {
    if (!element) return 0;
    if (index >= element->children.Count()) {
        if (out) *out = nullptr;
        return element->children.Count();
    }
    if (reload && !element->children.At(index) && !XmlElementReloadChild(element, index)) {
        if (out) *out = nullptr;
        return element->children.Count();
    }
    XmlElement* child = element->children.At(index);
    uint32_t ticket = element->children.Key(index);
    element->children.Erase(index);
    if (!child) {
        XmlForgetUnloadedFile(element, ticket);
    } else {
        int b = BorrowedIndex(element, child);
        if (b >= 0) {
            element->borrowed[b] = XmlBorrowedChild{};
        } else if (child->parent == element) {
            child->parent = nullptr;
        }
    }
    if (out) {
        *out = child;
    } else if (child && child->parent == nullptr) {
        delete child;
    }
    return element->children.Count();
}

uint32_t XmlElementDetachChild(XmlElement* element, uint32_t index, XmlElement** child) {
    return Detach(element, index, child, true);
}

uint32_t XmlElementDetachChildNoReload(XmlElement* element, uint32_t index, XmlElement** child) {
    return Detach(element, index, child, false);
}

bool XmlElementReplaceChild(XmlElement* element, uint32_t index, XmlElement* newChild,
                            XmlElement** oldChild) {
    if (!element || !newChild || index >= element->children.Count()) return false;
    uint32_t before = element->children.Count();
    if (Detach(element, index, oldChild, true) == before) return false;
    XmlElementInsertChild(element, index, newChild);
    return true;
}

// ---- finding ----

XmlElement* XmlElementFindChildView(const XmlElement* element, std::string_view name) {
    if (!element) return nullptr;
    uint32_t hash = XmlPlainHash(name);
    XmlElement** items = element->children.Items();
    for (uint32_t i = 0, n = element->children.Count(); i < n; ++i) {
        XmlElement* c = items[i];
        if (c && c->nameHash == hash && XmlStoredEquals(c->name, name)) return c;
    }
    return nullptr;
}

XmlElement* XmlElementFindChild(XmlElement* element, const char* name, int create, const char* tag,
                                uint8_t temporary) {
    if (!element || !name) return nullptr;
    XmlElement* child = XmlElementFindChildView(element, name);
    if (child || !create) return child;
    child =
        tag ? XmlElementCreate(element, tag, 0, temporary) : XmlElementCreateNamed(element, name, temporary);
    XmlElementAppendChild(element, child);
    return child;
}

XmlElement* XmlElementFindChild(XmlElement* element, const wchar_t* name, int create, const wchar_t* tag,
                                uint8_t temporary) {
    if (!name) return nullptr;
    std::string n = Utf8(name), t = Utf8(tag);
    return XmlElementFindChild(element, n.c_str(), create, tag ? t.c_str() : nullptr, temporary);
}

uint32_t XmlElementFindChildIndex(const XmlElement* element, const XmlElement* child) {
    if (!element || !child) return kXmlNotFound;
    for (uint32_t i = 0; i < element->children.Count(); ++i) {
        if (element->children.At(i) == child) return i;
    }
    return kXmlNotFound;
}

uint32_t XmlElementFindChildIndexByName(const XmlElement* element, const char* name) {
    if (!element || !name) return kXmlNotFound;
    XmlElement* child = XmlElementFindChildView(element, name);
    return child ? XmlElementFindChildIndex(element, child) : kXmlNotFound;
}

XmlElement* XmlElementFindPath(XmlElement* element, const char* path) {
    if (!element || !path) return element;
    std::string_view rest(path);
    if (rest.empty()) return element;
    XmlElement* current = element;
    while (current) {
        size_t cut = rest.find('\\');
        current = XmlElementFindChildView(current, rest.substr(0, cut));
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    return current;
}

XmlElement* XmlElementFindPath(XmlElement* element, const wchar_t* path) {
    std::string p = Utf8(path);
    return XmlElementFindPath(element, path ? p.c_str() : nullptr);
}

XmlVariable* XmlElementFindVariableView(const XmlElement* element, std::string_view name) {
    if (!element) return nullptr;
    uint32_t hash = XmlPlainHash(name);
    const uint32_t* keys = element->variables.Keys();
    for (uint32_t i = 0, n = element->variables.Count(); i < n; ++i) {
        if (keys[i] != hash) continue;
        XmlVariable* v = element->variables.At(i);
        if (XmlStoredEquals(v->name, name)) return v;
    }
    return nullptr;
}

XmlVariable* XmlElementFindVariable(XmlElement* element, const char* name, int create,
                                    const char* defaultValue, uint8_t temporary) {
    if (!element || !name) return nullptr;
    XmlVariable* v = XmlElementFindVariableView(element, name);
    if (v || !create) return v;
    return XmlElementAddVariable(element, name, defaultValue ? defaultValue : "", temporary);
}

XmlVariable* XmlElementFindVariable(XmlElement* element, const wchar_t* name, int create,
                                    const wchar_t* defaultValue, uint8_t temporary) {
    if (!name) return nullptr;
    std::string n = Utf8(name), d = Utf8(defaultValue);
    return XmlElementFindVariable(element, n.c_str(), create, d.c_str(), temporary);
}

int32_t XmlElementFindVariableIndex(const XmlElement* element, const char* name) {
    if (!element || !name) return -1;
    XmlVariable* v = XmlElementFindVariableView(element, name);
    if (!v) return -1;
    for (uint32_t i = 0; i < element->variables.Count(); ++i) {
        if (element->variables.At(i) == v) return static_cast<int32_t>(i);
    }
    return -1;
}

uint32_t XmlElementGetDepth(const XmlElement* element) {
    uint32_t depth = 0;
    for (const XmlElement* e = element ? element->parent : nullptr; e; e = e->parent) ++depth;
    return depth;
}

std::string XmlElementGetPathString(const XmlElement* element, int raw) {
    std::vector<const XmlElement*> chain;
    for (const XmlElement* e = element; e && e->parent; e = e->parent) chain.push_back(e);
    std::string path;
    for (size_t i = chain.size(); i-- > 0;) {
        if (!path.empty()) path += '\\';
        path += raw ? chain[i]->name : XmlUnescape(chain[i]->name);
    }
    return path;
}

size_t XmlElementGetPath(const XmlElement* element, char* buffer, int raw) {
    std::string path = XmlElementGetPathString(element, raw);
    if (path.empty()) return 0;
    if (buffer) {
        std::memcpy(buffer, path.data(), path.size());
        buffer[path.size()] = 0;
    }
    return path.size();
}

// ---- removal ----

uint32_t XmlElementRemoveChild(XmlElement* element, uint32_t index) {
    if (!element) return 0;
    if (index >= element->children.Count()) return element->children.Count();
    ReleaseSlot(element, index);
    element->children.Erase(index);
    return element->children.Count();
}

uint32_t XmlElementRemoveAllChildren(XmlElement* element) {
    if (!element) return 0;
    for (uint32_t i = element->children.Count(); i-- > 0;) XmlElementRemoveChild(element, i);
    element->borrowed.clear();
    element->unloadedFiles.clear();
    return 0;
}

template <typename T> static uint32_t RemoveAt(XmlSlots<T>& slots, uint32_t index) {
    if (index >= slots.Count()) return slots.Count();
    delete slots.At(index);
    slots.Erase(index);
    return slots.Count();
}

template <typename T> static uint32_t RemoveAll(XmlSlots<T>& slots) {
    for (uint32_t i = slots.Count(); i-- > 0;) delete slots.At(i);
    slots.Reset();
    return 0;
}

uint32_t XmlElementRemoveVariable(XmlElement* element, uint32_t index) {
    return element ? RemoveAt(element->variables, index) : 0;
}
uint32_t XmlElementRemoveAllVariables(XmlElement* element) {
    return element ? RemoveAll(element->variables) : 0;
}
uint32_t XmlElementRemoveComment(XmlElement* element, uint32_t index) {
    return element ? RemoveAt(element->comments, index) : 0;
}
uint32_t XmlElementRemoveAllComments(XmlElement* element) {
    return element ? RemoveAll(element->comments) : 0;
}
uint32_t XmlElementRemoveText(XmlElement* element, uint32_t index) {
    return element ? RemoveAt(element->texts, index) : 0;
}
uint32_t XmlElementRemoveAllTexts(XmlElement* element) {
    return element ? RemoveAll(element->texts) : 0;
}
uint32_t XmlElementRemoveCData(XmlElement* element, uint32_t index) {
    return element ? RemoveAt(element->cdata, index) : 0;
}
uint32_t XmlElementRemoveAllCData(XmlElement* element) {
    return element ? RemoveAll(element->cdata) : 0;
}

uint32_t XmlElementRemoveBorrowedChildren(XmlElement* element) {
    if (!element) return 0;
    for (XmlBorrowedChild& b : element->borrowed) {
        if (!b.inUse) continue;
        uint32_t index = XmlElementFindChildIndex(element, b.child);
        if (index != kXmlNotFound) element->children.Erase(index);
    }
    element->borrowed.clear();
    return element->children.Count();
}

// Removes the temporary entries of a list from its end, so the indexes still to visit stay.
template <typename List, typename Remove> uint32_t RemoveTemporaryEntries(List& list, Remove remove) {
    uint32_t removed = 0;
    for (uint32_t i = list.Count(); i-- > 0;) {
        const auto* entry = list.At(i);
        if (entry && entry->temporary) {
            remove(i);
            ++removed;
        }
    }
    return removed;
}

static uint32_t RemoveTemporaryChildrenOnce(XmlElement* element) {
    return RemoveTemporaryEntries(element->children, [&](uint32_t i) { XmlElementRemoveChild(element, i); });
}

static uint32_t RemoveTemporaryVariablesOnce(XmlElement* element) {
    return RemoveTemporaryEntries(element->variables, [&](uint32_t i) { RemoveAt(element->variables, i); });
}

// The element's own count of removals, with its children's when recursive.
static uint32_t RemoveFromElementAndChildren(XmlElement* element, int recursive,
                                             uint32_t (*removeOnce)(XmlElement*)) {
    if (!element) return 0;
    uint32_t removed = removeOnce(element);
    if (recursive) {
        for (uint32_t i = 0; i < element->children.Count(); ++i) {
            if (XmlElement* c = element->children.At(i)) removed += removeOnce(c);
        }
    }
    return removed;
}

uint32_t XmlElementRemoveTemporaryChildren(XmlElement* element, int recursive) {
    return RemoveFromElementAndChildren(element, recursive, RemoveTemporaryChildrenOnce);
}

uint32_t XmlElementRemoveTemporaryVariables(XmlElement* element, int recursive) {
    return RemoveFromElementAndChildren(element, recursive, RemoveTemporaryVariablesOnce);
}

void XmlElementClear(XmlElement* element) {
    if (!element) return;
    RemoveAll(element->variables);
    XmlElementRemoveAllChildren(element);
    RemoveAll(element->comments);
    RemoveAll(element->texts);
    RemoveAll(element->cdata);
    element->name.clear();
    element->nameHash = XmlPlainHash("");
}

void XmlElementDestroy(XmlElement* element) {
    if (!element) return;
    XmlElementClear(element);
    element->variables.Release();
    element->children.Release();
    element->comments.Release();
    element->texts.Release();
    element->cdata.Release();
    element->borrowed.clear();
    element->borrowed.shrink_to_fit();
}

// ---- content ----

XmlVariable* XmlElementAddVariable(XmlElement* element, std::string_view plainName,
                                   std::string_view plainValue, uint8_t temporary) {
    if (!element) return nullptr;
    plainName = TrimTrailingBlanks(plainName);
    XmlVariable* v = new XmlVariable;
    v->name = XmlEscape(plainName);
    v->value = XmlEscape(plainValue);
    v->owner = element;
    v->temporary = temporary;
    element->variables.Append(v, XmlPlainHash(plainName));
    return v;
}

static XmlContent* AddContent(XmlElement* element, XmlSlots<XmlContent>& slots, const char* text) {
    XmlContent* c = new XmlContent;
    c->owner = element;
    c->text = text ? text : "";
    c->position = element->children.Count();
    slots.Append(c);
    return c;
}

XmlContent* XmlElementAddComment(XmlElement* element, const char* text) {
    return element ? AddContent(element, element->comments, text) : nullptr;
}

XmlContent* XmlElementAddCData(XmlElement* element, const char* text) {
    return element ? AddContent(element, element->cdata, text) : nullptr;
}

XmlText* XmlElementAddText(XmlElement* element, const char* text) {
    if (!element) return nullptr;
    XmlText* t = new XmlText;
    t->owner = element;
    t->text = XmlEscape(text ? text : "");
    t->position = element->children.Count();
    element->texts.Append(t);
    return t;
}

bool XmlElementGetBodyText(const XmlElement* element, std::string& text) {
    if (!element) return false;
    if (element->cdata.Count() > 0) {
        text = element->cdata.At(0)->text;
        return true;
    }
    if (element->texts.Count() > 0 && element->texts.At(0)->kind == 0) {
        text = XmlUnescape(element->texts.At(0)->text);
        return true;
    }
    return false;
}

void XmlElementSetBodyText(XmlElement* element, const std::string& text) {
    if (!element) return;
    if (element->cdata.Count() > 0) {
        element->cdata.At(0)->text = text;
        return;
    }
    if (element->texts.Count() > 0 && element->texts.At(0)->kind == 0) XmlElementRemoveText(element, 0);
    XmlElementAddCData(element, text.c_str());
}

XmlText* XmlElementAddTextBytes(XmlElement* element, const void* bytes, size_t length, uint8_t kind) {
    if (!element) return nullptr;
    XmlText* t = new XmlText;
    t->owner = element;
    t->kind = kind;
    t->position = element->children.Count();
    XmlTextSetBytes(t, bytes, length);
    element->texts.Append(t);
    return t;
}
