#include "shell/controls/script_entries.h"

#include "script/settings_scripts.h"

#include <utility>

std::vector<ScriptEntry> ReadScriptEntries() {
    std::vector<ScriptEntry> entries;
    uint32_t position = 0;
    WalkScriptEntries("Scripts", [&](XmlElement* child) {
        ScriptEntry entry;
        entry.Position = position++;
        entry.TriggerType = ScriptEntryNumber(child, "Trigger_Type");
        entry.Trigger = ScriptEntryText(child, "Trigger");
        entry.Description = ScriptEntryText(child, "Description");
        entry.Enabled = ScriptEntryNumber(child, "Enabled") == 1;
        ScriptEntryScript(child, entry.Code);
        entry.NickPopup = ScriptEntryNumber(child, "Nick_Popup") != 0;
        entry.WindowPopup[1] = ScriptEntryNumber(child, "Server_Popup") == 1;
        entry.WindowPopup[2] = ScriptEntryNumber(child, "Channel_Popup") == 1;
        entry.WindowPopup[3] = ScriptEntryNumber(child, "Query_Popup") == 1;
        entry.WindowPopup[4] = ScriptEntryNumber(child, "DCC_Popup") == 1;
        entries.push_back(std::move(entry));
        return false;
    });
    return entries;
}
