// Operations on the element tree: creation and linking, finding, removal, copying, comparing
// and the typed values of attributes. Nothing here throws or locks; indexes out of range leave
// the tree unchanged and return the unchanged count, 0, 0xFFFFFFFF or null.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "xml/xml_records.h"

// ---- creation and linking ----

// Parses the tag text (name and attributes of one start tag, "<root />" when null); type 1 takes
// the text whole as the name instead.
void XmlElementInit(XmlElement* element, XmlElement* parent, const char* tag, uint32_t type = 0,
                    uint8_t temporary = 0);
void XmlElementInit(XmlElement* element, XmlElement* parent, const wchar_t* tag, uint32_t type = 0,
                    uint8_t temporary = 0);
// A new heap element, freed with XmlElementFree.
XmlElement* XmlElementCreate(XmlElement* parent, const char* tag, uint32_t type = 0, uint8_t temporary = 0);
XmlElement* XmlElementCreateNamed(XmlElement* parent, std::string_view plainName, uint8_t temporary = 0);
void XmlElementFree(XmlElement* element);

XmlElement* XmlElementAddNewChild(XmlElement* element, const char* tag);
XmlElement* XmlElementAddNewChild(XmlElement* element, const wchar_t* tag);
uint32_t XmlElementAppendChild(XmlElement* element, XmlElement* child);
uint32_t XmlElementInsertChild(XmlElement* element, uint32_t index, XmlElement* child);
uint32_t XmlElementInsertBorrowedChild(XmlElement* element, XmlElement* child, int32_t index = -1);
int XmlElementMoveChild(XmlElement* element, uint32_t from, uint32_t to);
// Reloads an unloaded child first; returns the new count.
uint32_t XmlElementDetachChild(XmlElement* element, uint32_t index, XmlElement** child);
// Hands out an empty slot's null as it is; the slot's file stays on disk.
uint32_t XmlElementDetachChildNoReload(XmlElement* element, uint32_t index, XmlElement** child);
bool XmlElementReplaceChild(XmlElement* element, uint32_t index, XmlElement* newChild, XmlElement** oldChild);

// ---- finding ----

XmlElement* XmlElementFindChild(XmlElement* element, const char* name, int create = 0,
                                const char* tag = nullptr, uint8_t temporary = 0);
XmlElement* XmlElementFindChild(XmlElement* element, const wchar_t* name, int create = 0,
                                const wchar_t* tag = nullptr, uint8_t temporary = 0);
XmlElement* XmlElementFindChildView(const XmlElement* element, std::string_view name);
uint32_t XmlElementFindChildIndex(const XmlElement* element, const XmlElement* child);
uint32_t XmlElementFindChildIndexByName(const XmlElement* element, const char* name);
XmlElement* XmlElementFindPath(XmlElement* element, const char* path);
XmlElement* XmlElementFindPath(XmlElement* element, const wchar_t* path);
XmlVariable* XmlElementFindVariable(XmlElement* element, const char* name, int create = 0,
                                    const char* defaultValue = nullptr, uint8_t temporary = 0);
XmlVariable* XmlElementFindVariable(XmlElement* element, const wchar_t* name, int create = 0,
                                    const wchar_t* defaultValue = nullptr, uint8_t temporary = 0);
XmlVariable* XmlElementFindVariableView(const XmlElement* element, std::string_view name);
int32_t XmlElementFindVariableIndex(const XmlElement* element, const char* name);
uint32_t XmlElementGetDepth(const XmlElement* element);
// The names from the root's child down to the element, joined by backslashes; copied into the
// buffer when given (the caller sizes it with a first call without one). Returns the length.
size_t XmlElementGetPath(const XmlElement* element, char* buffer, int raw);
std::string XmlElementGetPathString(const XmlElement* element, int raw);

// ---- removal ----

uint32_t XmlElementRemoveChild(XmlElement* element, uint32_t index);
uint32_t XmlElementRemoveAllChildren(XmlElement* element);
uint32_t XmlElementRemoveVariable(XmlElement* element, uint32_t index);
uint32_t XmlElementRemoveAllVariables(XmlElement* element);
uint32_t XmlElementRemoveComment(XmlElement* element, uint32_t index);
uint32_t XmlElementRemoveAllComments(XmlElement* element);
uint32_t XmlElementRemoveText(XmlElement* element, uint32_t index);
uint32_t XmlElementRemoveAllTexts(XmlElement* element);
uint32_t XmlElementRemoveCData(XmlElement* element, uint32_t index);
uint32_t XmlElementRemoveAllCData(XmlElement* element);
uint32_t XmlElementRemoveBorrowedChildren(XmlElement* element);
uint32_t XmlElementRemoveTemporaryChildren(XmlElement* element, int recursive);
uint32_t XmlElementRemoveTemporaryVariables(XmlElement* element, int recursive);
void XmlElementClear(XmlElement* element);
void XmlElementDestroy(XmlElement* element);

// ---- content ----

XmlVariable* XmlElementAddVariable(XmlElement* element, std::string_view plainName,
                                   std::string_view plainValue, uint8_t temporary = 0);
XmlContent* XmlElementAddComment(XmlElement* element, const char* text);
XmlContent* XmlElementAddCData(XmlElement* element, const char* text);
// Plain text, stored escaped, placed after the current children.
XmlText* XmlElementAddText(XmlElement* element, const char* text);
XmlText* XmlElementAddTextBytes(XmlElement* element, const void* bytes, size_t length, uint8_t kind);
// The element's body (a script, a proxy text, a note): its first CDATA section or, when it has
// none, its first text item (files edited by hand and older saves keep it so). False when it has
// neither.
bool XmlElementGetBodyText(const XmlElement* element, std::string& text);
// Stores the body as the first CDATA section; a text item that held the body gives way to it.
void XmlElementSetBodyText(XmlElement* element, const std::string& text);

// ---- copying, comparing, sorting ----

XmlElement* XmlElementDuplicate(XmlElement* element, XmlElement* parent);
XmlVariable* XmlVariableDuplicate(const XmlVariable* variable);
// 0 when equal, 1 otherwise.
int XmlElementCompare(XmlElement* a, XmlElement* b);
// qsort-style comparison of two XmlElement* slots; empty slots always go last.
void XmlElementSortChildren(XmlElement* element, int (*compare)(const void*, const void*) = nullptr);
int CompareElementsByName(const void* a, const void* b);
int CompareVariablesByName(const void* a, const void* b);

// ---- accessors ----

XmlElement* XmlElementGetParent(const XmlElement* element);
XmlElement* XmlElementSetParent(XmlElement* element, XmlElement* parent); // returns the previous one
XmlElement** XmlElementGetChildren(const XmlElement* element);
uint32_t XmlElementGetChildCount(const XmlElement* element);
XmlElement* XmlElementGetChild(const XmlElement* element, uint32_t index);
XmlVariable** XmlElementGetVariables(const XmlElement* element);
uint32_t XmlElementGetVariableCount(const XmlElement* element);
XmlContent** XmlElementGetComments(const XmlElement* element);
uint32_t XmlElementGetCommentCount(const XmlElement* element);
XmlText** XmlElementGetTexts(const XmlElement* element);
uint32_t XmlElementGetTextCount(const XmlElement* element);
XmlContent** XmlElementGetCDataSections(const XmlElement* element);
uint32_t XmlElementGetCDataCount(const XmlElement* element);
uint32_t XmlElementGetType(const XmlElement* element);
uint8_t XmlElementGetTemporary(const XmlElement* element);
void XmlElementSetTemporary(XmlElement* element, uint8_t temporary);
uint64_t XmlElementGetUserData(const XmlElement* element);
void XmlElementSetUserData(XmlElement* element, uint64_t data);
XmlElement* XmlVariableGetOwner(const XmlVariable* variable);
void XmlVariableSetOwner(XmlVariable* variable, XmlElement* owner);
uint8_t XmlVariableGetTemporary(const XmlVariable* variable);
void XmlVariableSetTemporary(XmlVariable* variable, uint8_t temporary);
// Indent with spaces (else TAB), units per level (at most 50) and the inline-text flags, set on
// the element and all its descendants.
void XmlElementSetFormat(XmlElement* element, int32_t spaces, int32_t width, int32_t inlineFlags);

// ---- names and values ----

// Copy unescaped (raw 0) or as stored (raw 1) and return the length copied; a null buffer returns
// the stored length, which is enough room for either form plus nothing (add 1 for the zero).
size_t XmlElementGetName(const XmlElement* element, char* buffer, int raw);
std::string XmlElementGetNameString(const XmlElement* element, int raw = 0);
void XmlElementSetName(XmlElement* element, const char* name);
void XmlElementSetName(XmlElement* element, const wchar_t* name);
size_t XmlVariableGetName(const XmlVariable* variable, char* buffer, int raw);
size_t XmlVariableGetValue(const XmlVariable* variable, char* buffer, int raw);
std::string XmlVariableGetNameString(const XmlVariable* variable, int raw = 0);
std::string XmlVariableGetValueString(const XmlVariable* variable, int raw = 0);
const char* XmlVariableGetRawValue(const XmlVariable* variable);
// The text of a comment or CDATA section.
const char* XmlVariableGetRawValue(const XmlContent* content);
void XmlVariableSetName(XmlVariable* variable, const char* name, int raw = 0);
void XmlVariableSetName(XmlVariable* variable, const wchar_t* name, int raw = 0);
void XmlVariableSetValue(XmlVariable* variable, const char* value, int raw = 0);
void XmlVariableSetValue(XmlVariable* variable, const wchar_t* value, int raw = 0);

int32_t XmlVariableGetInt(const XmlVariable* variable);
uint32_t XmlVariableGetUInt(const XmlVariable* variable);
int64_t XmlVariableGetInt64(const XmlVariable* variable);
uint64_t XmlVariableGetUInt64(const XmlVariable* variable);
double XmlVariableGetFloat(const XmlVariable* variable);
void XmlVariableSetInt(XmlVariable* variable, int32_t value);
void XmlVariableSetUInt(XmlVariable* variable, uint32_t value);
void XmlVariableSetInt64(XmlVariable* variable, int64_t value);
void XmlVariableSetUInt64(XmlVariable* variable, uint64_t value);
void XmlVariableSetFloat(XmlVariable* variable, double value);
void XmlVariableSetFormatted(XmlVariable* variable, const char* format, ...);
void XmlVariableSetFormattedV(XmlVariable* variable, const char* format, va_list args);
// Base64 with each line break stored as "__".
void XmlVariableSetBinary(XmlVariable* variable, const void* bytes, size_t length);
// Decodes into out, at most size bytes; returns the count placed.
size_t XmlVariableGetBinary(const XmlVariable* variable, void* out, size_t size);
XmlVariable* XmlElementAddBinaryVariable(XmlElement* element, const char* name, const void* bytes,
                                         size_t length);

size_t XmlTextGetText(const XmlText* text, char* buffer, int raw);
std::string XmlTextGetTextString(const XmlText* text, int raw = 0);
void XmlTextSetText(XmlText* text, const char* plain);
// Kind 0 stores the bytes as Base64 text; kind 1 keeps them.
void XmlTextSetBytes(XmlText* text, const void* bytes, size_t length);
std::string XmlTextGetBytes(const XmlText* text);

// ---- tree-wide ----

// True when every record of the subtree is readable and linked consistently.
bool XmlElementIsValid(const XmlElement* element);
// Shrinks the child, variable and comment arrays of the subtree to their counts.
void XmlElementCompact(XmlElement* element);
// The library's size estimate of the subtree's records.
uint64_t XmlElementGetSizeEstimate(const XmlElement* element);

struct XmlLibraryVersion {
    uint32_t major;
    uint32_t minor;
    char date[11];
};
void GetXmlLibraryVersion(XmlLibraryVersion* version);
int64_t XmlIntPower(int64_t base, uint32_t exponent);
