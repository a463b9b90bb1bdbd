// The reader: files and texts into a header and an element tree. A tolerant single-pass scanner
// for the subset of XML the writer produces; it validates nothing.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "xml/xml_records.h"

// Load modes.
constexpr int kXmlLoadNarrowFile = 0;
constexpr int kXmlLoadText = 1;
constexpr int kXmlLoadWideFile = 7;

// The whole file as UTF-8 text (UTF-16 files that start with FF FE are converted, the mark
// becoming EF BB BF). False when the file cannot be opened or read; *error then holds the
// system's error code.
bool XmlReadFile(const wchar_t* name, XmlFilter* filter, std::string* text, DWORD* error = nullptr);
bool XmlReadFile(const char* name, XmlFilter* filter, std::string* text, DWORD* error = nullptr);

// Replaces what the document holds with the source: a narrow (UTF-8) file name, XML text, or a
// wide file name. Always returns 1; the load state tells how it went.
int XmlDocumentLoad(XmlDocument* document, const void* source, int mode, XmlFilter* filter);

// Parses the text into the parent (or, without one, at document level into the header and the
// document's root) and returns the first element made at that level. *end receives the point
// where scanning stopped. A lost end tag or too deep nesting sets the document's state to 2.
XmlElement* XmlParseElement(XmlHeader* header, XmlElement* parent, std::string_view text, size_t* end,
                            XmlDocument* document);

// Name and attributes of one start tag ("<name a=\"v\" ...>"), stored as they stand.
void XmlParseTagText(XmlElement* element, std::string_view tag);
