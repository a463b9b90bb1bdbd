// The user lists of "Cfg\\User_Lists", kept in memory: read at start-up and every time the
// settings are applied, read by the connection threads under a shared lock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum UserListId : uint32_t {
    kNotifyList,
    kIgnoreList,
    kBlackList,
    kTalkNotifyList,
    kAutoOpList,
    kAutoVoiceList,
    kUserListCount,
};

// The list's key in "Cfg\\User_Lists" ("Notify_List", ...).
const char* UserListKey(UserListId list);
// Reads every list from the user's settings, split at blanks.
void LoadUserLists();
// A copy of the list's entries (the lists are read once on first use when nobody loaded them).
std::vector<std::string> UserListEntries(UserListId list);

// Appends the mask unless an entry equal to it (ignoring case) is there; true when appended.
bool AddUserListEntry(UserListId list, const std::string& mask);
// Removes the first entry equal to the mask ignoring case; true when one was removed.
bool RemoveUserListEntry(UserListId list, const std::string& mask);
// Writes the list, its entries joined by single blanks, to its key of "Cfg\\User_Lists" in the
// user's settings.
void SaveUserList(UserListId list);
