#include "irc/incoming_triggers.h"

#include "common/text_compare.h"
#include "common/text_split.h"
#include "core/client_services.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <vector>

namespace {

constexpr int32_t kIncomingTextTrigger = 1;

struct MatchedTrigger {
    std::string Script;
    uint32_t Locked = 0;
};

int32_t IntVariable(const XmlElement* element, std::string_view name) {
    const XmlVariable* v = XmlElementFindVariableView(element, name);
    return v ? XmlVariableGetInt(v) : 0;
}

// True when a piece of the "|||"-separated list is "*" alone or matches the line.
bool ListMatches(const XmlElement* element, std::string_view name, const std::string& line,
                 bool caseSensitive) {
    const XmlVariable* v = XmlElementFindVariableView(element, name);
    if (!v) return false;
    std::vector<std::string> pieces;
    SplitString(pieces, XmlVariableGetValueString(v, 0), kSplitUnlimited, "|||");
    for (const std::string& piece : pieces)
        if (piece == "*" || WildcardMatchCore(line.c_str(), piece.c_str(), caseSensitive) == 1) return true;
    return false;
}

// The scripts of the entries that take the line, in document order, read under the document's
// lock; they run after it is released, since a script may change the settings.
std::vector<MatchedTrigger> MatchTriggers(const std::string& line) {
    std::vector<MatchedTrigger> matched;
    XmlDocument* document = UserConfigDocument;
    if (!document) return matched;
    XmlDocumentReadLock lock(document);
    const XmlElement* scripts = XmlElementFindChildView(document->root, "Scripts");
    if (!scripts) return matched;
    const uint32_t count = XmlElementGetChildCount(scripts);
    for (uint32_t i = 0; i < count; ++i) {
        // An entry unloaded to a file is skipped; it must not stop the line's handling.
        const XmlElement* entry = XmlElementGetChild(scripts, i);
        if (!entry) continue;
        if (IntVariable(entry, "Trigger_Type") != kIncomingTextTrigger || IntVariable(entry, "Enabled") != 1)
            continue;
        const bool caseSensitive = IntVariable(entry, "Case_Sensitive_Match") != 0;
        if (!ListMatches(entry, "Trigger", line, caseSensitive)) continue;
        if (ListMatches(entry, "Anti_Trigger", line, caseSensitive)) continue;
        // The script: its first CDATA section, or the plain text of an entry written by hand.
        std::string script;
        if (!XmlElementGetBodyText(entry, script)) continue;
        matched.push_back({std::move(script), static_cast<uint32_t>(IntVariable(entry, "Locked"))});
    }
    return matched;
}

} // namespace

bool RunIncomingTriggers(const std::string& line, WindowRecord* window) {
    for (const MatchedTrigger& trigger : MatchTriggers(line)) {
        std::string scratch;
        if (ExecuteScript(0, window, window, trigger.Script, line, scratch, trigger.Locked) == 1) return true;
    }
    return false;
}
