#include "core/user_lists.h"

#include "common/text_split.h"
#include "core/config_values.h"

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

void LoadUserLists() {
    std::array<std::vector<std::string>, kUserListCount> lists;
    for (uint32_t i = 0; i < kUserListCount; ++i)
        SplitQuoted(lists[i], ReadConfigText("Cfg\\User_Lists", kListKeys[i], ""), " ", false);
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
