#include "script/settings_scripts.h"

std::string ScriptEntryText(XmlElement* entry, const char* name) {
    XmlVariable* v = XmlElementFindVariable(entry, name);
    return v ? XmlVariableGetValueString(v) : std::string();
}

int64_t ScriptEntryNumber(XmlElement* entry, const char* name) {
    XmlVariable* v = XmlElementFindVariable(entry, name);
    return v ? XmlVariableGetInt64(v) : 0;
}

bool ScriptEntryScript(XmlElement* entry, std::string& text) {
    return XmlElementGetBodyText(entry, text);
}
