#include "peer/blocked_files.h"

#include "common/text_compare.h"
#include "common/text_split.h"
#include "core/settings.h"

#include <vector>

bool peer::IsBlockedFileName(const std::string& name) {
    std::vector<std::string> patterns;
    SplitQuoted(patterns, Settings::BlockedFiles(), " ", false);
    for (const std::string& pattern : patterns)
        if (pattern == "*" || WildcardMatch(name, pattern, false)) return true;
    return false;
}
