// The writer: an element tree, with or without the document header, as text (UTF-8 or UTF-16
// files, memory) or as registry keys and values. Its layout is what the reader expects.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "xml/xml_records.h"

// Output formats.
constexpr int kXmlFormatFile = 0;
constexpr int kXmlFormatMemory = 1;
constexpr int kXmlFormatRegistry = 2;
constexpr int kXmlFormatUtf16File = 3;

// Text is appended to a string; files and memory targets are filled from it.
void XmlElementWrite(std::string& out, XmlElement* element, uint32_t depth, int withChildren, int raw,
                     int format);
// Position 0 writes the line and the comments before the root, 1 the comments after it.
void XmlHeaderWrite(const XmlHeader* header, std::string& out, uint32_t position, int format);
// Header part 0, the element, header part 1 (the header may be null).
std::string XmlElementExportText(XmlElement* element, int withChildren, int raw, int format,
                                 const XmlHeader* header);
// Writes the element under the open key as the registry layout describes. False when a key or
// value could not be written.
bool XmlElementWriteRegistry(HKEY parentKey, XmlElement* element, int withChildren, int raw);

// Runs the filter's encode operation over the bytes. False when it fails.
bool XmlFilterEncode(XmlFilter* filter, std::string* bytes);
