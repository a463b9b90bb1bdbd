// Documents: one loaded source with its header, root, file name and load state; saving,
// closing, copying, values by section path and key, and merging of trees.
//
// A document shared between threads is guarded by its lock. The document-level operations here
// (load, save, close, copy, values by path) and the profile functions take it themselves; code
// that walks or changes the tree directly holds an XmlDocumentReadLock or XmlDocumentWriteLock
// meanwhile. A thread that holds the write lock may still call those operations; a thread that
// holds the read lock must not call one that changes the document.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "xml/xml_records.h"

class XmlDocumentReadLock {
public:
    explicit XmlDocumentReadLock(XmlDocument* document);
    ~XmlDocumentReadLock();
    XmlDocumentReadLock(const XmlDocumentReadLock&) = delete;
    XmlDocumentReadLock& operator=(const XmlDocumentReadLock&) = delete;

private:
    XmlDocument* document_ = nullptr;
};

class XmlDocumentWriteLock {
public:
    explicit XmlDocumentWriteLock(XmlDocument* document);
    ~XmlDocumentWriteLock();
    XmlDocumentWriteLock(const XmlDocumentWriteLock&) = delete;
    XmlDocumentWriteLock& operator=(const XmlDocumentWriteLock&) = delete;

private:
    XmlDocument* document_ = nullptr;
};

// Clears the record and loads the source (mode 0 narrow file name, 1 XML text, 7 wide file name).
int XmlDocumentOpen(XmlDocument* document, const void* source, int mode, XmlFilter* filter);
int XmlDocumentOpenFile(XmlDocument* document, const wchar_t* fileName, XmlFilter* filter = nullptr);
int XmlDocumentOpenText(XmlDocument* document, const char* text);
int XmlDocumentOpenWideText(XmlDocument* document, const wchar_t* text);
// Deep copy of header and root; the copy has no file name, state 0, save-on-close clear.
void XmlDocumentCopy(XmlDocument* target, XmlDocument* source);

// Format 0 (UTF-8 file) or 3 (UTF-16 file): target is a file name (wide when the document was
// opened from a wide name) or null for the document's own file; the file is replaced only once
// the new content is completely on disk. Format 1: target is a buffer of targetCapacity bytes
// whose text is extended. Returns 1, or 0 when nothing could be written.
int XmlDocumentSave(XmlDocument* document, const void* target, int raw, int format, XmlFilter* filter,
                    size_t targetCapacity = 0);
// The root in the registry layout under the open key; the header is not written.
int XmlDocumentExportRegistry(XmlDocument* document, HKEY key, int raw, XmlFilter* filter);
// Writes the document first when save-on-close is set, then frees its content.
void XmlDocumentClose(XmlDocument* document);
void XmlDocumentDestroy(XmlDocument* document);

XmlElement* XmlDocumentGetRoot(const XmlDocument* document);
XmlHeader* XmlDocumentGetHeader(const XmlDocument* document);
int32_t XmlDocumentGetState(const XmlDocument* document);
// Hands the root to the caller and puts an empty "root" in its place.
XmlElement* XmlDocumentTakeRoot(XmlDocument* document);
uint32_t XmlDocumentRemoveTemporary(XmlDocument* document);
void XmlDocumentSetSaveOnClose(XmlDocument* document, uint8_t save);
void XmlDocumentSetWideName(XmlDocument* document, uint8_t wide);
bool XmlDocumentIsValid(const XmlDocument* document);
void XmlDocumentCompact(XmlDocument* document);
// Bytes a memory export of the document needs, its terminating zero included.
uint64_t XmlDocumentGetExportSize(XmlDocument* document);
// 1 when the roots or the headers differ, else 0.
int XmlDocumentCompare(XmlDocument* a, XmlDocument* b);

// The unescaped value at section\key; copied with its zero when its length is at most size
// (out holds size + 1 bytes), otherwise out is untouched. Returns the length, 0 when missing.
uint64_t XmlGetValueByPath(XmlDocument* document, const char* section, const char* key, char* out,
                           uint64_t size);
// Creates missing elements; a null value removes the key, a null key removes the section.
// Returns 0 when there was nothing to change.
int XmlSetValueByPath(XmlDocument* document, const char* section, const char* key, const char* value);

// Adds the source's missing variables and children to the destination; with overwrite set the
// source's values replace existing ones. Comments, texts and CDATA are not merged.
void XmlElementMerge(XmlElement* destination, XmlElement* source, uint8_t overwrite);
