// Elements as text: the text that signing, encryption and the clipboard work on, elements made
// back from such text, and the clipboard itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "xml/xml_records.h"

// The element itself (index kXmlNotFound) or its child at the index, reloaded when it was
// unloaded; null when the index is out of range or the child cannot be reloaded.
XmlElement* XmlElementSelectTarget(XmlElement* element, uint32_t index);

// The element written from depth 0 with its children, names and values as stored, without a
// declaration line. Unloaded children are reloaded first.
std::string XmlElementExchangeText(XmlElement* element);

// A new free-standing element made from the text, or, with no text, from the clipboard's text
// (opened for the window and closed at once). Null when there is no text, the text holds no
// element, or an element in it lacks its end tag.
XmlElement* XmlElementFromText(const char* text, HWND window = nullptr);

// Puts the element's text on the clipboard, opened for the window (which becomes its owner).
// False without a window or when the clipboard could not be opened or set.
bool XmlElementCopyToClipboard(XmlElement* element, HWND window);
