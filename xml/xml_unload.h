// Unloading of subtrees: a child moves to a temporary ".xmltmp" file and its slot in the parent
// becomes empty (null) until it is reloaded. The file is named once, when the child is unloaded,
// and the name stays with the slot wherever the slot moves.
#pragma once

#include <cstdint>
#include <string>

#include "xml/xml_records.h"

// 1 when the child is unloaded afterwards (also when it already was), 0 when its file exists
// already or cannot be written.
int XmlElementUnloadChild(XmlElement* parent, uint32_t index);
// 1 when the slot holds the child afterwards (also when it already did), 0 when its file cannot
// be read or parsed.
int XmlElementReloadChild(XmlElement* parent, uint32_t index);
// Reloads every empty slot among the element's direct children.
void XmlElementReloadAll(XmlElement* element);
// The file an unloaded child would go to: its position in the tree, e.g. "5-2.xmltmp".
std::wstring XmlUnloadFileName(const XmlElement* parent, uint32_t index);
// The file of the empty slot at the index (empty when the slot holds a child).
std::wstring XmlUnloadedFileOf(const XmlElement* parent, uint32_t index);

// For child removal: deletes the file of a slot's ticket, or only forgets it.
void XmlDeleteUnloadedFile(XmlElement* parent, uint32_t ticket);
void XmlForgetUnloadedFile(XmlElement* parent, uint32_t ticket);
