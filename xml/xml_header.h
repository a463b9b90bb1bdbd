// The document header: the declaration line and the comments before and after the root.
#pragma once

#include <cstdint>

#include "xml/xml_records.h"

extern const char kXmlDefaultDeclaration[];
// The default declaration preceded by the UTF-8 byte-order mark, for sources without one.
extern const char kXmlDefaultDeclarationWithBom[];

// A new header with the line (empty when null).
XmlHeader* XmlHeaderCreate(const char* line);
void XmlHeaderFree(XmlHeader* header);
// Position 0 = before the root element, 1 = after it.
XmlContent* XmlHeaderAddComment(XmlHeader* header, const char* text, uint32_t position);
uint32_t XmlHeaderRemoveComment(XmlHeader* header, uint32_t index);
uint32_t XmlHeaderRemoveAllComments(XmlHeader* header);
uint32_t XmlHeaderGetCommentCount(const XmlHeader* header);
XmlContent** XmlHeaderGetComments(const XmlHeader* header);
// Replaces the line by the standard declaration with the given encoding name.
void XmlHeaderSetEncoding(XmlHeader* header, const char* encoding);
XmlHeader* XmlHeaderDuplicate(const XmlHeader* header);
