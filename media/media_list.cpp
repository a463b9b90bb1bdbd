#include "media/media_list.h"

#include <windows.h>

#include <algorithm>

namespace {

SRWLOCK ListLock = SRWLOCK_INIT;
std::vector<MediaEntry> MediaList;
uint64_t NextId = 1;

uint32_t FindLocked(const std::wstring& name) {
    for (size_t at = 0; at < MediaList.size(); ++at)
        if (!MediaList[at].Words.empty() && MediaList[at].Words[0] == name) return static_cast<uint32_t>(at);
    return kNoMediaEntry;
}

} // namespace

uint32_t FindMediaEntry(const std::wstring& name) {
    AcquireSRWLockShared(&ListLock);
    const uint32_t index = FindLocked(name);
    ReleaseSRWLockShared(&ListLock);
    return index;
}

uint64_t AddMediaEntry(MediaEntry entry) {
    AcquireSRWLockExclusive(&ListLock);
    entry.Id = NextId++;
    const uint64_t id = entry.Id;
    MediaList.push_back(std::move(entry));
    ReleaseSRWLockExclusive(&ListLock);
    return id;
}

void RemoveMediaEntryById(uint64_t id) {
    AcquireSRWLockExclusive(&ListLock);
    MediaList.erase(std::remove_if(MediaList.begin(), MediaList.end(),
                                   [id](const MediaEntry& entry) { return entry.Id == id; }),
                    MediaList.end());
    ReleaseSRWLockExclusive(&ListLock);
}

uint32_t MediaEntryStateById(uint64_t id) {
    uint32_t state = kMediaPlaying;
    AcquireSRWLockShared(&ListLock);
    for (const MediaEntry& entry : MediaList)
        if (entry.Id == id) state = entry.State;
    ReleaseSRWLockShared(&ListLock);
    return state;
}

bool ChangeMediaEntry(const std::wstring& name, const std::function<void(MediaEntry&)>& change) {
    AcquireSRWLockExclusive(&ListLock);
    const uint32_t index = FindLocked(name);
    if (index != kNoMediaEntry) change(MediaList[index]);
    ReleaseSRWLockExclusive(&ListLock);
    return index != kNoMediaEntry;
}

size_t MediaEntryCount() {
    AcquireSRWLockShared(&ListLock);
    const size_t count = MediaList.size();
    ReleaseSRWLockShared(&ListLock);
    return count;
}
