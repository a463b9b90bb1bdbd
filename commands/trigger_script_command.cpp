// "/_script": creates, changes or removes a trigger script of the user's settings.
#include "commands/client_command_handlers.h"

#include "common/script_number.h"
#include "common/text_split.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <string>
#include <vector>

namespace {

const char kNewScript[] =
    "<?xml ?><n name=\"Script\" Description=\"Enter description here\" Trigger_Type=\"0\" "
    "Trigger=\"/SCRIPT\" "
    "Keyboard_Trigger=\"\" Anti_Trigger=\"\" Enabled=\"1\" Locked=\"0\" Process_All_Triggers=\"0\" "
    "Case_Sensitive_Match=\"0\" Server_Popup=\"0\" Channel_Popup=\"0\" Query_Popup=\"0\" Nick_Popup=\"0\" "
    "DCC_Popup=\"0\" />";

enum Field { kName, kChangeFlags, kTriggerType, kTrigger, kAntiTrigger, kKeyboardTrigger, kOptions, kText };

// The option attributes, each set to 1 or 0 as the option word has its bit: the trigger runner and
// the popups read 1 as on.
const std::pair<uint32_t, const char*> kOptionBits[] = {
    {0x400, "Enabled"},
    {0x800, "Locked"},
    {0x1000, "Process_All_Triggers"},
    {0x2000, "Case_Sensitive_Match"},
    {0x4000, "Server_Popup"},
    {0x8000, "Channel_Popup"},
    {0x10000, "Query_Popup"},
    {0x20000, "Nick_Popup"},
    {0x40000, "DCC_Popup"},
};
constexpr uint32_t kKeepText = 0x80000;

XmlElement* FindScript(XmlElement* scripts, const std::string& name) {
    const uint32_t count = XmlElementGetChildCount(scripts);
    for (uint32_t i = 0; i < count; ++i) {
        XmlElement* entry = XmlElementGetChild(scripts, i);
        const XmlVariable* entryName = XmlElementFindVariableView(entry, "name");
        if (entryName && XmlVariableGetValueString(entryName) == name) return entry;
    }
    return nullptr;
}

void RemoveScript(XmlElement* scripts, XmlElement* entry) {
    XmlElementRemoveChild(scripts, XmlElementFindChildIndex(scripts, entry));
    XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
}

XmlElement* AddNewScript(XmlElement* scripts, const std::string& name) {
    XmlDocument templateDocument;
    XmlDocumentOpenText(&templateDocument, kNewScript);
    XmlElement* entry = XmlElementDuplicate(XmlDocumentGetRoot(&templateDocument), nullptr);
    XmlDocumentDestroy(&templateDocument);
    XmlElementAppendChild(scripts, entry);
    XmlVariableSetValue(XmlElementFindVariable(entry, "name", 1), name.c_str());
    return entry;
}

void SetAttribute(XmlElement* entry, const char* name, const std::string& value) {
    XmlVariableSetValue(XmlElementFindVariable(entry, name, 1), value.c_str());
}

// The script text: its lines, separated by "|||", each followed by CR LF.
void SetScriptText(XmlElement* entry, const std::string& text) {
    std::vector<std::string> lines;
    SplitString(lines, text, kSplitUnlimited, "|||");
    std::string joined;
    for (const std::string& line : lines) joined += line + "\r\n";
    XmlElementSetBodyText(entry, joined);
}

} // namespace

uint64_t TriggerScriptCommand(const CommandCall& call) {
    if (!UserConfigDocument) return 1;
    XmlDocumentWriteLock lock(UserConfigDocument);
    XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Scripts", 1);
    if (call.Words.size() >= 3 && call.Words[2] == "X") {
        if (XmlElement* entry = FindScript(scripts, call.Words[1])) RemoveScript(scripts, entry);
        return 1;
    }
    std::vector<std::string> fields;
    SplitString(fields, call.Rest(1), 7, "|||");
    if (fields.size() < 8) RefuseCommand();
    const int64_t changes = ScriptValueToInt64(fields[kChangeFlags]);
    XmlElement* entry = FindScript(scripts, fields[kName]);
    if (entry && changes == -1) {
        RemoveScript(scripts, entry);
        return 1;
    }
    const bool created = !entry;
    if (created) entry = AddNewScript(scripts, fields[kName]);
    const uint32_t flags = static_cast<uint32_t>(changes);
    if (flags & 0x1)
        SetAttribute(entry, "Trigger_Type", std::to_string(ScriptValueToInt64(fields[kTriggerType])));
    if ((flags & 0x2) || created) SetAttribute(entry, "Trigger", fields[kTrigger]);
    if (flags & 0x4) SetAttribute(entry, "Anti_Trigger", fields[kAntiTrigger]);
    if (flags & 0x8) SetAttribute(entry, "Keyboard_Trigger", fields[kKeyboardTrigger]);
    const uint32_t options = static_cast<uint32_t>(ScriptValueToInt64(fields[kOptions]));
    for (const auto& [bit, name] : kOptionBits)
        if (flags & bit) SetAttribute(entry, name, (options & bit) ? "1" : "0");
    if (!(flags & kKeepText)) SetScriptText(entry, fields[kText]);
    XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
    // The entry, so a script block introduced by this command can fill in its text.
    return reinterpret_cast<uint64_t>(entry);
}
