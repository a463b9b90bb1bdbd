#include "irc_lines/user_list_match.h"

#include "common/text_compare.h"

std::string SenderMask(const UserAddress& sender) {
    return sender.Nick + "!" + sender.User + "@" + sender.Host;
}

bool UserListMatches(UserListId list, const UserAddress& sender) {
    const std::string mask = SenderMask(sender);
    for (const std::string& entry : UserListEntries(list))
        if (entry == "*" || StringEqualsNoCase(entry, sender.Nick) || WildcardMatch(mask, entry, false))
            return true;
    return false;
}

std::vector<std::string> MaskEntriesMatching(UserListId list, const UserAddress& sender) {
    const std::string mask = SenderMask(sender);
    std::vector<std::string> matching;
    for (const std::string& entry : UserListEntries(list))
        if (WildcardMatch(mask, entry, false)) matching.push_back(entry);
    return matching;
}
