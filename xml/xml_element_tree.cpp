// Whole-subtree operations: deep copies, comparison, sorting, validity, compaction and the
// size estimate.
#include "xml/xml_element.h"

#include "xml/xml_escape.h"
#include "xml/xml_unload.h"

#include <algorithm>
#include <cstring>
#include <vector>

// ---- copying ----

XmlVariable* XmlVariableDuplicate(const XmlVariable* variable) {
    if (!variable) return nullptr;
    XmlVariable* copy = new XmlVariable;
    copy->name = XmlEscape(XmlUnescape(variable->name));
    copy->value = XmlEscape(XmlUnescape(variable->value));
    copy->temporary = variable->temporary;
    return copy;
}

static XmlContent* DuplicateContent(const XmlContent* c, XmlElement* owner) {
    XmlContent* copy = new XmlContent;
    copy->owner = owner;
    copy->text = c->text;
    copy->position = c->position;
    return copy;
}

XmlElement* XmlElementDuplicate(XmlElement* element, XmlElement* parent) {
    if (!element) return nullptr;
    XmlElementReloadAll(element);
    XmlElement* copy = new XmlElement;
    copy->parent = parent;
    copy->type = element->type;
    copy->name = element->name;
    copy->nameHash = element->nameHash;
    copy->indentWithSpaces = element->indentWithSpaces;
    copy->indentWidth = element->indentWidth;
    copy->inlineTextFlags = element->inlineTextFlags;
    for (uint32_t i = 0; i < element->variables.Count(); ++i) {
        XmlVariable* v = XmlVariableDuplicate(element->variables.At(i));
        v->owner = copy;
        copy->variables.Append(v, XmlStoredHash(v->name));
    }
    for (uint32_t i = 0; i < element->texts.Count(); ++i) {
        const XmlText* t = element->texts.At(i);
        XmlText* c = new XmlText;
        c->owner = copy;
        c->bytes = t->bytes;
        c->kind = t->kind;
        c->text = t->text;
        c->position = t->position;
        copy->texts.Append(c);
    }
    for (uint32_t i = 0; i < element->comments.Count(); ++i) {
        copy->comments.Append(DuplicateContent(element->comments.At(i), copy));
    }
    for (uint32_t i = 0; i < element->cdata.Count(); ++i) {
        copy->cdata.Append(DuplicateContent(element->cdata.At(i), copy));
    }
    for (uint32_t i = 0; i < element->children.Count(); ++i) {
        if (XmlElement* child = element->children.At(i))
            copy->children.Append(XmlElementDuplicate(child, copy));
    }
    return copy;
}

// ---- comparing ----

static bool SameContents(const XmlSlots<XmlContent>& a, const XmlSlots<XmlContent>& b) {
    if (a.Count() != b.Count()) return false;
    for (uint32_t i = 0; i < a.Count(); ++i) {
        if (a.At(i)->text != b.At(i)->text) return false;
    }
    return true;
}

int XmlElementCompare(XmlElement* a, XmlElement* b) {
    if (a == b) return 0;
    if (!a || !b) return 1;
    if (a->name != b->name) return 1;
    if (a->variables.Count() != b->variables.Count()) return 1;
    for (uint32_t i = 0; i < a->variables.Count(); ++i) {
        const XmlVariable* va = a->variables.At(i);
        const XmlVariable* vb = b->variables.At(i);
        if (va->name != vb->name || va->value != vb->value) return 1;
    }
    if (!SameContents(a->comments, b->comments) || !SameContents(a->cdata, b->cdata)) return 1;
    if (a->texts.Count() != b->texts.Count()) return 1;
    for (uint32_t i = 0; i < a->texts.Count(); ++i) {
        const XmlText* ta = a->texts.At(i);
        const XmlText* tb = b->texts.At(i);
        if (ta->kind != tb->kind) return 1;
        if (ta->kind == 1 ? ta->bytes != tb->bytes : ta->text != tb->text) return 1;
    }
    if (a->children.Count() != b->children.Count()) return 1;
    for (uint32_t i = 0; i < a->children.Count(); ++i) {
        XmlElement* ca = a->children.At(i);
        XmlElement* cb = b->children.At(i);
        if (ca && cb && XmlElementCompare(ca, cb)) return 1;
    }
    return 0;
}

// ---- sorting ----

int CompareElementsByName(const void* a, const void* b) {
    const XmlElement* ea = *static_cast<XmlElement* const*>(a);
    const XmlElement* eb = *static_cast<XmlElement* const*>(b);
    return _stricmp(XmlUnescape(ea->name).c_str(), XmlUnescape(eb->name).c_str());
}

int CompareVariablesByName(const void* a, const void* b) {
    const XmlVariable* va = *static_cast<XmlVariable* const*>(a);
    const XmlVariable* vb = *static_cast<XmlVariable* const*>(b);
    return _stricmp(XmlUnescape(va->name).c_str(), XmlUnescape(vb->name).c_str());
}

void XmlElementSortChildren(XmlElement* element, int (*compare)(const void*, const void*)) {
    if (!element) return;
    if (!compare) compare = CompareElementsByName;
    // Loaded children are sorted; unloaded slots keep their files and go last in their order.
    std::vector<XmlElement*> loaded;
    std::vector<uint32_t> unloadedTickets;
    for (uint32_t i = 0; i < element->children.Count(); ++i) {
        if (XmlElement* c = element->children.At(i)) {
            loaded.push_back(c);
        } else {
            unloadedTickets.push_back(element->children.Key(i));
        }
    }
    std::stable_sort(loaded.begin(), loaded.end(),
                     [compare](XmlElement* x, XmlElement* y) { return compare(&x, &y) < 0; });
    uint32_t i = 0;
    for (XmlElement* c : loaded) {
        element->children.Set(i, c);
        element->children.SetKey(i++, 0);
    }
    for (uint32_t ticket : unloadedTickets) {
        element->children.Set(i, nullptr);
        element->children.SetKey(i++, ticket);
    }
}

// ---- validity ----

static bool Readable(const void* p, size_t size) {
    return p && !IsBadReadPtr(p, size ? size : 1);
}

static bool ReadableText(const std::string& s) {
    return Readable(s.c_str(), s.size() + 1);
}

template <typename T> static bool ReadableSlots(const XmlSlots<T>& slots) {
    return slots.Count() == 0 || Readable(slots.Items(), sizeof(T*) * slots.Count());
}

bool XmlElementIsValid(const XmlElement* element) {
    if (!Readable(element, sizeof(XmlElement))) return false;
    if (element->parent && !Readable(element->parent, sizeof(XmlElement))) return false;
    if (!ReadableText(element->name)) return false;
    if (!ReadableSlots(element->comments) || !ReadableSlots(element->texts) ||
        !ReadableSlots(element->cdata) || !ReadableSlots(element->variables) ||
        !ReadableSlots(element->children)) {
        return false;
    }
    for (uint32_t i = 0; i < element->comments.Count(); ++i) {
        const XmlContent* c = element->comments.At(i);
        if (!Readable(c, sizeof(XmlContent)) || !ReadableText(c->text)) return false;
    }
    for (uint32_t i = 0; i < element->cdata.Count(); ++i) {
        const XmlContent* c = element->cdata.At(i);
        if (!Readable(c, sizeof(XmlContent)) || !ReadableText(c->text)) return false;
    }
    for (uint32_t i = 0; i < element->texts.Count(); ++i) {
        const XmlText* t = element->texts.At(i);
        if (!Readable(t, sizeof(XmlText)) || !ReadableText(t->text)) return false;
    }
    for (uint32_t i = 0; i < element->variables.Count(); ++i) {
        const XmlVariable* v = element->variables.At(i);
        if (!Readable(v, sizeof(XmlVariable)) || !ReadableText(v->name) || !ReadableText(v->value))
            return false;
        if (v->owner != element) return false;
    }
    for (uint32_t i = 0; i < element->children.Count(); ++i) {
        const XmlElement* c = element->children.At(i);
        if (c && !XmlElementIsValid(c)) return false;
    }
    return true;
}

// ---- compaction and size ----

void XmlElementCompact(XmlElement* element) {
    if (!element) return;
    element->children.Compact();
    element->variables.Compact();
    element->comments.Compact();
    for (uint32_t i = 0; i < element->children.Count(); ++i) XmlElementCompact(element->children.At(i));
}

uint64_t XmlElementGetSizeEstimate(const XmlElement* element) {
    if (!element) return 0;
    uint64_t size = 152 + element->name.size();
    size += 4ull * (element->children.Capacity() + element->variables.Capacity() +
                    element->comments.Capacity() + element->texts.Capacity() + element->cdata.Capacity());
    for (uint32_t i = 0; i < element->variables.Count(); ++i) {
        const XmlVariable* v = element->variables.At(i);
        size += 32 + v->name.size() + v->value.size();
    }
    for (uint32_t i = 0; i < element->comments.Count(); ++i)
        size += 24 + element->comments.At(i)->text.size();
    for (uint32_t i = 0; i < element->cdata.Count(); ++i) size += 24 + element->cdata.At(i)->text.size();
    for (uint32_t i = 0; i < element->texts.Count(); ++i) {
        const XmlText* t = element->texts.At(i);
        size += 48 + (t->kind == 1 ? t->bytes.size() : t->text.size());
    }
    for (uint32_t i = 0; i < element->children.Count(); ++i)
        size += XmlElementGetSizeEstimate(element->children.At(i));
    return size;
}
