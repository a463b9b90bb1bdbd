// Queries: the descendants of an element (to a depth) that satisfy every condition of a short
// expression such as `name == "greet"` or `? == "Serv*" port >= 10`.
//
// A condition is three blank-separated tokens: the left operand ("?" the element's name, "!" its
// section path, "~N" its text item N, anything else an attribute's value), an operator (==, !=,
// >=, <=, <, >) and the right operand: an unquoted integer, or a double-quoted wildcard pattern
// compared ignoring case (ASCII letters only; == and != apply to patterns, any other operator
// lets a pattern condition hold). All conditions must hold; an expression without any blank
// keeps every candidate.
#pragma once

#include <cstdint>
#include <vector>

#include "xml/xml_records.h"

// Depth 1 = the children, 2 = children and grandchildren, 0xFFFFFFFF = all descendants. Matches
// are listed in candidate order: each child after its own selected descendants. Returns the
// number of matches, or kXmlNotFound (out left empty) when the expression is malformed: a token
// missing or empty, an operator other than the six, a quote never closed or followed by anything
// but a blank.
uint32_t XmlElementQuery(XmlElement* element, const char* expression, std::vector<XmlElement*>* out,
                         uint32_t depth);
// The same below the element the backslash path names under the root; 0 when it is missing.
uint32_t XmlDocumentQueryPath(XmlDocument* document, const char* path, const char* expression,
                              std::vector<XmlElement*>* out, uint32_t depth);
// '*' any run of characters, '?' one character; ASCII letters fold unless case-sensitive.
bool XmlWildcardMatch(const char* text, const char* pattern, bool caseSensitive);
