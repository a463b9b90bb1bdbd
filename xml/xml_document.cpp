#include "xml/xml_document.h"

#include "common/xstring.h"
#include "xml/xml_element.h"
#include "xml/xml_escape.h"
#include "common/replacing_file.h"
#include "xml/xml_header.h"
#include "xml/xml_reader.h"
#include "xml/xml_unload.h"
#include "xml/xml_writer.h"

#include <cstring>
#include <cwchar>
#include <string_view>

// ---- locks ----

XmlDocumentReadLock::XmlDocumentReadLock(XmlDocument* document) {
    if (document && document->lock.writer.load() != GetCurrentThreadId()) {
        AcquireSRWLockShared(&document->lock.srw);
        document_ = document;
    }
}

XmlDocumentReadLock::~XmlDocumentReadLock() {
    if (document_) ReleaseSRWLockShared(&document_->lock.srw);
}

XmlDocumentWriteLock::XmlDocumentWriteLock(XmlDocument* document) {
    if (document && document->lock.writer.load() != GetCurrentThreadId()) {
        AcquireSRWLockExclusive(&document->lock.srw);
        document->lock.writer.store(GetCurrentThreadId());
        document_ = document;
    }
}

XmlDocumentWriteLock::~XmlDocumentWriteLock() {
    if (document_) {
        document_->lock.writes.fetch_add(1);
        document_->lock.writer.store(0);
        ReleaseSRWLockExclusive(&document_->lock.srw);
    }
}

XmlDocument::~XmlDocument() {
    XmlDocumentClose(this);
}

// ---- opening ----

int XmlDocumentOpen(XmlDocument* document, const void* source, int mode, XmlFilter* filter) {
    if (!document) return 0;
    XmlDocumentWriteLock lock(document);
    return XmlDocumentLoad(document, source, mode, filter);
}

int XmlDocumentOpenFile(XmlDocument* document, const wchar_t* fileName, XmlFilter* filter) {
    return XmlDocumentOpen(document, fileName, kXmlLoadWideFile, filter);
}

int XmlDocumentOpenText(XmlDocument* document, const char* text) {
    return XmlDocumentOpen(document, text, kXmlLoadText, nullptr);
}

int XmlDocumentOpenWideText(XmlDocument* document, const wchar_t* text) {
    std::string narrow = text ? WideToNarrow(text, wcslen(text)) : std::string();
    return XmlDocumentOpen(document, text ? narrow.c_str() : nullptr, kXmlLoadText, nullptr);
}

void XmlDocumentCopy(XmlDocument* target, XmlDocument* source) {
    if (!target || !source || target == source) return;
    XmlDocumentWriteLock targetLock(target);
    XmlDocumentWriteLock sourceLock(source); // a copy reloads unloaded children of the source
    XmlDocumentClose(target);
    target->header = XmlHeaderDuplicate(source->header);
    target->root = XmlElementDuplicate(source->root, nullptr);
    if (!target->header) target->header = XmlHeaderCreate(kXmlDefaultDeclaration);
    if (!target->root) target->root = XmlElementCreateNamed(nullptr, "root");
    target->state = kXmlStateDeclared;
    target->hasFileName = false;
    target->fileName.clear();
    target->wideName = 0;
    target->saveOnClose = 0;
}

// ---- saving ----

static std::string ExportText(XmlDocument* document, int raw, int format) {
    return XmlElementExportText(document->root, 1, raw, format, document->header);
}

static bool SaveToFile(XmlDocument* document, const std::wstring& path, int raw, int format,
                       XmlFilter* filter) {
    if (!document->header) document->header = XmlHeaderCreate(nullptr);
    XmlHeaderSetEncoding(document->header, format == kXmlFormatUtf16File ? "UTF-16" : "UTF-8");
    std::string bytes = ExportText(document, raw, format);
    if (format == kXmlFormatUtf16File) {
        std::wstring wide = NarrowToWide(bytes);
        bytes.assign("\xFF\xFE", 2);
        bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    }
    if (!XmlFilterEncode(filter, &bytes)) return false;
    return WriteFileReplacing(path, bytes.data(), bytes.size());
}

int XmlDocumentSave(XmlDocument* document, const void* target, int raw, int format, XmlFilter* filter,
                    size_t targetCapacity) {
    if (!document) return 0;
    XmlDocumentWriteLock lock(document);
    if (format == kXmlFormatMemory) {
        if (!target || targetCapacity == 0) return 0;
        char* buffer = static_cast<char*>(const_cast<void*>(target));
        size_t used = strnlen(buffer, targetCapacity);
        std::string bytes = ExportText(document, raw, format);
        if (!XmlFilterEncode(filter, &bytes)) return 0;
        if (used >= targetCapacity || bytes.size() >= targetCapacity - used) return 0;
        std::memcpy(buffer + used, bytes.data(), bytes.size());
        buffer[used + bytes.size()] = 0;
        return 1;
    }
    if (format != kXmlFormatFile && format != kXmlFormatUtf16File) return 0;
    std::wstring path;
    if (target) {
        if (document->wideName) {
            path = static_cast<const wchar_t*>(target);
        } else {
            const char* narrow = static_cast<const char*>(target);
            path = NarrowToWide(narrow, std::strlen(narrow));
        }
    } else if (document->hasFileName) {
        path = document->fileName;
    } else {
        return 0;
    }
    return SaveToFile(document, path, raw, format, filter) ? 1 : 0;
}

int XmlDocumentExportRegistry(XmlDocument* document, HKEY key, int raw, XmlFilter* filter) {
    if (!document || !document->root) return 0;
    XmlDocumentWriteLock lock(document);
    return XmlElementWriteRegistry(key, document->root, 1, raw) ? 1 : 0;
}

// ---- closing ----

void XmlDocumentClose(XmlDocument* document) {
    if (!document) return;
    XmlDocumentWriteLock lock(document);
    if (document->saveOnClose && document->hasFileName && document->root) {
        SaveToFile(document, document->fileName, 1, kXmlFormatFile, nullptr);
    }
    if (document->root) {
        XmlElementRemoveAllChildren(document->root);
        delete document->root;
        document->root = nullptr;
    }
    delete document->header;
    document->header = nullptr;
    document->hasFileName = false;
    document->fileName.clear();
}

void XmlDocumentDestroy(XmlDocument* document) {
    XmlDocumentClose(document);
}

// ---- accessors ----

XmlElement* XmlDocumentGetRoot(const XmlDocument* document) {
    return document ? document->root : nullptr;
}
XmlHeader* XmlDocumentGetHeader(const XmlDocument* document) {
    return document ? document->header : nullptr;
}
int32_t XmlDocumentGetState(const XmlDocument* document) {
    return document ? document->state : 0;
}

XmlElement* XmlDocumentTakeRoot(XmlDocument* document) {
    if (!document) return nullptr;
    XmlElement* root = document->root;
    document->root = XmlElementCreate(nullptr, "<root/>");
    return root;
}

uint32_t XmlDocumentRemoveTemporary(XmlDocument* document) {
    if (!document || !document->root) return 0;
    XmlDocumentWriteLock lock(document);
    return XmlElementRemoveTemporaryChildren(document->root, 1) +
           XmlElementRemoveTemporaryVariables(document->root, 1);
}

void XmlDocumentSetSaveOnClose(XmlDocument* document, uint8_t save) {
    if (document) document->saveOnClose = save;
}

void XmlDocumentSetWideName(XmlDocument* document, uint8_t wide) {
    if (document) document->wideName = wide;
}

bool XmlDocumentIsValid(const XmlDocument* document) {
    if (!document || IsBadReadPtr(document, sizeof(XmlDocument))) return false;
    const XmlHeader* h = document->header;
    if (!h || !document->root || IsBadReadPtr(h, sizeof(XmlHeader))) return false;
    if (IsBadReadPtr(h->line.c_str(), h->line.size() + 1)) return false;
    if (h->comments.Count() && IsBadReadPtr(h->comments.Items(), sizeof(void*) * h->comments.Count()))
        return false;
    for (uint32_t i = 0; i < h->comments.Count(); ++i) {
        const XmlContent* c = h->comments.At(i);
        if (!c || IsBadReadPtr(c, sizeof(XmlContent)) || IsBadReadPtr(c->text.c_str(), c->text.size() + 1)) {
            return false;
        }
        if (c->owner) return false;
    }
    return XmlElementIsValid(document->root);
}

void XmlDocumentCompact(XmlDocument* document) {
    if (!document) return;
    XmlDocumentWriteLock lock(document);
    if (document->header) document->header->comments.Compact();
    XmlElementCompact(document->root);
}

uint64_t XmlDocumentGetExportSize(XmlDocument* document) {
    if (!document) return 0;
    XmlDocumentWriteLock lock(document);
    uint64_t estimate = XmlElementGetSizeEstimate(document->root);
    if (const XmlHeader* h = document->header) {
        estimate += 32 + 4ull * h->comments.Capacity() + h->line.size();
        for (uint32_t i = 0; i < h->comments.Count(); ++i) estimate += 24 + h->comments.At(i)->text.size();
    }
    // The estimate counts records, not the text; the written text can be longer (escapes,
    // indentation), so the exact length bounds it from below.
    uint64_t exact = ExportText(document, 1, kXmlFormatMemory).size() + 1;
    return estimate > exact ? estimate : exact;
}

int XmlDocumentCompare(XmlDocument* a, XmlDocument* b) {
    if (!a || !b) return a == b ? 0 : 1;
    if (XmlElementCompare(a->root, b->root)) return 1;
    const XmlHeader* ha = a->header;
    const XmlHeader* hb = b->header;
    if (!ha || !hb) return ha == hb ? 0 : 1;
    if (ha->line != hb->line || ha->comments.Count() != hb->comments.Count()) return 1;
    for (uint32_t i = 0; i < ha->comments.Count(); ++i) {
        if (ha->comments.At(i)->text != hb->comments.At(i)->text) return 1;
    }
    return 0;
}

// ---- values by path ----

static XmlElement* WalkSection(XmlElement* root, std::string_view section, bool create) {
    XmlElement* current = root;
    while (current && !section.empty()) {
        size_t cut = section.find('\\');
        std::string_view step = section.substr(0, cut);
        XmlElement* next = XmlElementFindChildView(current, step);
        if (!next && create) {
            next = XmlElementCreateNamed(current, step);
            XmlElementAppendChild(current, next);
        }
        current = next;
        if (cut == std::string_view::npos) break;
        section.remove_prefix(cut + 1);
    }
    return current;
}

uint64_t XmlGetValueByPath(XmlDocument* document, const char* section, const char* key, char* out,
                           uint64_t size) {
    if (!document || !key) return 0;
    XmlDocumentReadLock lock(document);
    XmlElement* element = WalkSection(document->root, section ? section : "", false);
    XmlVariable* v = XmlElementFindVariableView(element, key);
    if (!v) return 0;
    const std::string& stored = v->value;
    if (stored.find('&') == std::string::npos) {
        if (out && stored.size() <= size) {
            std::memcpy(out, stored.c_str(), stored.size() + 1);
        }
        return stored.size();
    }
    std::string value = XmlUnescape(stored);
    if (out && value.size() <= size) std::memcpy(out, value.c_str(), value.size() + 1);
    return value.size();
}

int XmlSetValueByPath(XmlDocument* document, const char* section, const char* key, const char* value) {
    if (!document) return 0;
    XmlDocumentWriteLock lock(document);
    if (!document->root) document->root = XmlElementCreateNamed(nullptr, "root");
    std::string_view path = section ? section : "";
    if (!key) {
        if (path.empty()) return 0;
        XmlElement* element = WalkSection(document->root, path, false);
        if (!element) return 1;
        XmlElement* parent = element->parent;
        uint32_t index = XmlElementFindChildIndex(parent, element);
        if (index != kXmlNotFound) XmlElementRemoveChild(parent, index);
        return 1;
    }
    XmlElement* element = WalkSection(document->root, path, true);
    XmlVariable* v = XmlElementFindVariable(element, key, 1, "");
    if (!value) {
        for (uint32_t i = 0; i < element->variables.Count(); ++i) {
            if (element->variables.At(i) == v) {
                XmlElementRemoveVariable(element, i);
                break;
            }
        }
    } else {
        XmlVariableSetValue(v, value);
    }
    return 1;
}

// ---- merging ----

void XmlElementMerge(XmlElement* destination, XmlElement* source, uint8_t overwrite) {
    if (!destination || !source || destination == source) return;
    for (uint32_t i = 0; i < source->variables.Count(); ++i) {
        const XmlVariable* sv = source->variables.At(i);
        std::string name = XmlUnescape(sv->name);
        XmlVariable* dv = XmlElementFindVariableView(destination, name);
        if (dv) {
            if (overwrite) XmlVariableSetValue(dv, XmlUnescape(sv->value).c_str());
        } else {
            XmlElementAddVariable(destination, name, XmlUnescape(sv->value));
        }
    }
    XmlElementReloadAll(source);
    for (uint32_t i = 0; i < source->children.Count(); ++i) {
        XmlElement* sc = source->children.At(i);
        if (!sc) continue;
        XmlElement* dc = XmlElementFindChildView(destination, XmlUnescape(sc->name));
        if (dc) {
            XmlElementMerge(dc, sc, overwrite);
        } else {
            XmlElementAppendChild(destination, XmlElementDuplicate(sc, destination));
        }
    }
}
