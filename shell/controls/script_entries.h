// The user's script entries ("Scripts" children) as the menus and the completion read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScriptEntry {
    uint32_t Position = 0; // among all children of "Scripts"
    int64_t TriggerType = 0;
    std::string Trigger; // UTF-8
    std::string Description;
    std::string Code; // the script's text (its first CDATA section)
    bool Enabled = false;
    bool NickPopup = false;
    // "Server_Popup", "Channel_Popup", "Query_Popup", "DCC_Popup" = 1, indexed by window type.
    bool WindowPopup[5] = {};
};

// A copy of every child of "Scripts" in document order, read under the document's lock.
std::vector<ScriptEntry> ReadScriptEntries();
