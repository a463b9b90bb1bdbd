#include "core/user_lists.h"

#include "common/text_compare.h"
#include "common/text_split.h"
#include "core/settings.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <windows.h>

#include <array>

namespace {

const char* const kListKeys[kUserListCount] = {"Notify_List",     "Ignore_List", "Black_List",
                                               "TalkNotify_List", "AutoOp_List", "AutoVoice_List"};

struct UserListStore {
    SRWLOCK Lock = SRWLOCK_INIT;
    bool Loaded = false;
    std::array<std::vector<std::string>, kUserListCount> Lists;
};

UserListStore& Store() {
    static UserListStore store;
    return store;
}

} // namespace

const char* UserListKey(UserListId list) {
    return list < kUserListCount ? kListKeys[list] : "";
}

void LoadUserLists() {
    std::array<std::vector<std::string>, kUserListCount> lists;
    for (uint32_t i = 0; i < kUserListCount; ++i)
        SplitQuoted(lists[i], Settings::UserList(kListKeys[i]), " ", false);
    UserListStore& store = Store();
    AcquireSRWLockExclusive(&store.Lock);
    store.Lists = std::move(lists);
    store.Loaded = true;
    ReleaseSRWLockExclusive(&store.Lock);
}

std::vector<std::string> UserListEntries(UserListId list) {
    UserListStore& store = Store();
    AcquireSRWLockShared(&store.Lock);
    const bool loaded = store.Loaded;
    std::vector<std::string> entries;
    if (loaded && list < kUserListCount) entries = store.Lists[list];
    ReleaseSRWLockShared(&store.Lock);
    if (loaded || list >= kUserListCount) return entries;
    LoadUserLists();
    return UserListEntries(list);
}

namespace {

// The list loaded, changed by the edit under the exclusive lock.
template <class Edit> bool EditList(UserListId list, Edit edit) {
    if (list >= kUserListCount) return false;
    UserListEntries(list); // loads the lists when nobody did
    UserListStore& store = Store();
    AcquireSRWLockExclusive(&store.Lock);
    const bool changed = edit(store.Lists[list]);
    ReleaseSRWLockExclusive(&store.Lock);
    return changed;
}

} // namespace

bool AddUserListEntry(UserListId list, const std::string& mask) {
    return EditList(list, [&](std::vector<std::string>& entries) {
        for (const std::string& entry : entries)
            if (StringEqualsNoCase(entry, mask)) return false;
        entries.push_back(mask);
        return true;
    });
}

bool RemoveUserListEntry(UserListId list, const std::string& mask) {
    return EditList(list, [&](std::vector<std::string>& entries) {
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (!StringEqualsNoCase(*it, mask)) continue;
            entries.erase(it);
            return true;
        }
        return false;
    });
}

void SaveUserList(UserListId list) {
    if (list >= kUserListCount) return;
    std::string joined;
    for (const std::string& entry : UserListEntries(list)) {
        if (!joined.empty()) joined += ' ';
        joined += entry;
    }
    XmlWriteProfileString(Settings::Sections::UserList, kListKeys[list], joined.c_str(), nullptr,
                          UserConfigDocument);
}
