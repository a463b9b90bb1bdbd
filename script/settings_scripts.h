// Reading the script entries of the user's settings ("Special_Scripts" and "Scripts").
#pragma once

#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <cstdint>
#include <string>

// The variable's text; empty when it is missing.
std::string ScriptEntryText(XmlElement* entry, const char* name);
// An empty or missing value reads as 0.
int64_t ScriptEntryNumber(XmlElement* entry, const char* name);
// The entry's script text (its first CDATA section); false when it has none.
bool ScriptEntryScript(XmlElement* entry, std::string& text);

// Visits the children of the named element under the user's settings root, under the
// document's read lock; visit returns true to stop. Nothing that waits for another thread may
// run inside visit.
template <typename Visit> void WalkScriptEntries(const char* section, Visit visit) {
    XmlDocument* document = UserConfigDocument;
    if (!document) return;
    XmlDocumentReadLock lock(document);
    XmlElement* parent = XmlElementFindChild(XmlDocumentGetRoot(document), section);
    const uint32_t count = XmlElementGetChildCount(parent);
    for (uint32_t i = 0; i < count; ++i) {
        XmlElement* child = XmlElementGetChild(parent, i);
        if (child && visit(child)) return;
    }
}
