#include "shell/script_entries.h"

#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

namespace {

std::string Text(XmlElement* element, const char* name) {
    XmlVariable* v = XmlElementFindVariable(element, name);
    return v ? XmlVariableGetValueString(v) : std::string();
}

int64_t Number(XmlElement* element, const char* name) {
    XmlVariable* v = XmlElementFindVariable(element, name);
    return v ? XmlVariableGetInt64(v) : 0;
}

} // namespace

std::vector<ScriptEntry> ReadScriptEntries() {
    std::vector<ScriptEntry> entries;
    XmlDocument* document = UserConfigDocument;
    if (!document) return entries;
    XmlDocumentReadLock lock(document);
    XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(document), "Scripts");
    const uint32_t count = XmlElementGetChildCount(scripts);
    for (uint32_t i = 0; i < count; ++i) {
        XmlElement* child = XmlElementGetChild(scripts, i);
        if (!child) continue;
        ScriptEntry entry;
        entry.Position = i;
        entry.TriggerType = Number(child, "Trigger_Type");
        entry.Trigger = Text(child, "Trigger");
        entry.Description = Text(child, "Description");
        entry.Enabled = Number(child, "Enabled") == 1;
        if (XmlElementGetCDataCount(child) > 0) entry.Code = XmlElementGetCDataSections(child)[0]->text;
        entry.NickPopup = Number(child, "Nick_Popup") != 0;
        entry.WindowPopup[1] = Number(child, "Server_Popup") == 1;
        entry.WindowPopup[2] = Number(child, "Channel_Popup") == 1;
        entry.WindowPopup[3] = Number(child, "Query_Popup") == 1;
        entry.WindowPopup[4] = Number(child, "DCC_Popup") == 1;
        entries.push_back(std::move(entry));
    }
    return entries;
}
