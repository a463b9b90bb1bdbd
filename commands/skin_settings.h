// What a skin carries: how the program looks (colours, fonts, event formats, layout values and
// the time stamp), never who the user is, what the program accepts, where it saves or what it
// loads.
#pragma once

#include "xml/xml_records.h"

#include <string>
#include <vector>

// Copies the appearance settings below the user's root into a skin's root.
void CopyAppearance(const XmlElement* userRoot, XmlElement* skinRoot);

// Takes out of a skin's root everything that is not appearance. Returns what was left out, as
// section paths and keys below the root ("Cfg\Options3", "Cfg\Options1\Default_Nick"), in the
// order of the document.
std::vector<std::string> KeepOnlyAppearance(XmlElement* skinRoot);
