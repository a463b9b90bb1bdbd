// Whether a user's lists of the settings name the sender of a line.
#pragma once

#include "irc/user_address.h"
#include "core/user_lists.h"

#include <string>
#include <vector>

// "nick!user@host" of the sender.
std::string SenderMask(const UserAddress& sender);
// An entry names the sender when it equals the nick ignoring case, is "*", or matches the
// sender's mask as a wildcard pattern (ignoring case). For the ignore and talk-notify lists.
bool UserListMatches(UserListId list, const UserAddress& sender);
// The entries that match the sender's whole mask as wildcard patterns ("*" matches anyone). The
// auto-op, auto-voice and black lists grant or take rights, so a nick alone never matches.
std::vector<std::string> MaskEntriesMatching(UserListId list, const UserAddress& sender);
