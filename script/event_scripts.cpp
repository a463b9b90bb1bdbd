#include "script/event_scripts.h"

#include "common/text_compare.h"
#include "common/text_split.h"
#include "irc/send_path.h"
#include "script/script_interpreter.h"
#include "script/script_text.h"
#include "script/settings_scripts.h"
#include "core/window_record.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <algorithm>
#include <memory>
#include <vector>

uint32_t script::RunEventScript(const char* eventName, WindowRecord* window, WindowRecord* target,
                                const std::string& parameters, std::string& result,
                                EventScriptOptions options) {
    WindowRecord* connectionWindow = window;
    if (window && !window->Connection) connectionWindow = window->Server;
    const std::string event = eventName ? eventName : "";

    bool found = false, hasText = false;
    std::string text;
    // The text is copied out under the lock; the script runs after it is released.
    WalkScriptEntries("Special_Scripts", [&](XmlElement* entry) {
        if (!StringEqualsNoCase(ScriptEntryText(entry, "name"), event)) return false;
        found = true;
        hasText = ScriptEntryScript(entry, text);
        return true;
    });
    if (!found || !hasText) return kNoEventScript;
    if (options.CheckOnly) return 1;
    return script::ExecuteScript(kEventScriptMode, connectionWindow, target, text, parameters, result, 0);
}

unsigned __stdcall script::RunTriggerScriptThread(void* argument) {
    std::unique_ptr<ScriptTriggerJob> job(static_cast<ScriptTriggerJob*>(argument));
    if (!job) return 0;
    try {
        std::string line = job->Line;
        TrimStringCrLf(line);
        std::vector<std::string> words;
        SplitQuoted(words, line, " ", false);
        const std::string first = words.empty() ? std::string() : words[0];

        bool matched = false;
        std::string text;
        WalkScriptEntries("Scripts", [&](XmlElement* entry) {
            std::string body;
            if (!ScriptEntryScript(entry, body)) return false;
            // "Enabled" and "Locked" switch incoming-text triggers only.
            if (ScriptEntryNumber(entry, "Trigger_Type") != 0) return false;
            const std::string trigger = ScriptEntryText(entry, "Trigger");
            const bool exact = ScriptEntryNumber(entry, "Case_Sensitive_Match") != 0;
            if (exact ? trigger != first : !StringEqualsNoCase(trigger, first)) return false;
            matched = ScriptEntryScript(entry, text);
            return true;
        });

        WindowRecord* window = job->Window;
        if (matched) {
            if (window) {
                std::string result;
                script::ExecuteScript(kScriptLinesMode, window->Server, window, text, line, result, 0);
            }
        } else if (!line.empty()) {
            // No trigger takes it: an unknown "/" command reaches the server as a raw line.
            const std::string raw = line.substr(1) + "\r\n";
            SendServerLine(raw.c_str(), window, 0);
        }
    } catch (...) {
        // nothing may leave a thread procedure
    }
    return 0;
}

int CompareScriptEntriesByName(const void* a, const void* b) {
    XmlElement* ea = *static_cast<XmlElement* const*>(a);
    XmlElement* eb = *static_cast<XmlElement* const*>(b);
    const std::string na = ScriptEntryText(ea, "name"), nb = ScriptEntryText(eb, "name");
    const size_t n = std::min(na.size(), nb.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = FoldByte(static_cast<unsigned char>(na[i])),
                  cb = FoldByte(static_cast<unsigned char>(nb[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return na.size() < nb.size() ? -1 : na.size() > nb.size() ? 1 : 0;
}
