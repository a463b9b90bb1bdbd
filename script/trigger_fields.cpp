#include "script/trigger_fields.h"

namespace {

constexpr TriggerField kFields[] = {
    {"name", "Script", "The entry's name in the preferences; the entries are sorted by it."},
    {"Description", "Enter description here",
     "Shown beside the trigger when the command is completed "
     "with Tab."},
    {"Trigger_Type", "0", "0: a typed command; 1: a line from the server."},
    {"Trigger", "/SCRIPT",
     "Type 0: the command word that runs the script, with its \"/\". Type 1: patterns matched against "
     "the whole server line, prefix included, separated by \"|||\"; \"*\" matches any run of "
     "characters, \"?\" any one character, and \"*\" alone matches every line."},
    {"Anti_Trigger", "(empty)",
     "Type 1: patterns in the same form; a line that matches one of them does "
     "not run the script."},
    {"Case_Sensitive_Match", "0", "1: the trigger is compared exactly; 0: letters match in either case."},
    {"Enabled", "1", "Type 1: only an entry with 1 runs."},
    {"Locked", "0",
     "Type 1: 1 takes the line (the program does not show or handle it) unless the script ends with "
     "\"#unlock\"; 0 lets the line go on unless the script says \"#lock\"."},
    {"Keyboard_Trigger", "(empty)",
     "Type 0: a hot key that runs the trigger from anywhere, as the key box stores it: the key's code "
     "plus 256 for Shift, 512 for Ctrl and 1024 for Alt. 0 or empty: none."},
    {"Process_All_Triggers", "0", "Kept for older scripts; the program does not read it."},
    {"Server_Popup", "0", "Type 0: 1 lists the entry in the right-click menu of server windows."},
    {"Channel_Popup", "0", "Type 0: 1 lists the entry in the right-click menu of channel windows."},
    {"Query_Popup", "0", "Type 0: 1 lists the entry in the right-click menu of query windows."},
    {"Nick_Popup", "0", "Type 0: 1 lists the entry in the right-click menu of the nick list."},
    {"DCC_Popup", "0", "Type 0: 1 lists the entry in the right-click menu of DCC chat windows."},
};

} // namespace

std::span<const TriggerField> TriggerFields() {
    return kFields;
}
