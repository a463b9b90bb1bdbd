#include "common/lang_strings.h"

#include <windows.h>

#include <cstring>

#include "common/app_state.h"
#include "common/heap_array.h"

namespace {

constexpr int32_t kMaxStringId = 0xFFFF;
constexpr int kLoadBufferChars = 1000;
constexpr uint32_t kListSlots = 1000;
constexpr int32_t kFirstListId = 5001;

SRWLOCK CacheLock = SRWLOCK_INIT;
HeapArray<wchar_t*> Cache;
SRWLOCK ListLock = SRWLOCK_INIT;
HeapArray<wchar_t*> List;

// Loads one text (cut to 999 characters) into a fresh block of its own length.
wchar_t* LoadCopy(int32_t id) {
    wchar_t buffer[kLoadBufferChars] = {};
    LoadStringW(LanguageModule.load(), static_cast<UINT>(id), buffer, kLoadBufferChars);
    size_t length = wcslen(buffer);
    wchar_t* copy = new wchar_t[length + 1];
    std::memcpy(copy, buffer, (length + 1) * sizeof(wchar_t));
    return copy;
}

void FreeSlots(HeapArray<wchar_t*>& slots) {
    for (uint32_t i = 0; i < slots.Count(); ++i) {
        delete[] slots[i];
        slots[i] = nullptr;
    }
}

} // namespace

const wchar_t* GetLangString(int32_t id) {
    if (id < 0 || id > kMaxStringId) return L"";
    const uint32_t slot = static_cast<uint32_t>(id);

    AcquireSRWLockShared(&CacheLock);
    const wchar_t* cached = slot < Cache.Count() ? Cache[slot] : nullptr;
    ReleaseSRWLockShared(&CacheLock);
    if (cached) return cached;

    // Loaded outside the lock; a thread that lost the race frees its copy.
    wchar_t* loaded = LoadCopy(id);
    AcquireSRWLockExclusive(&CacheLock);
    if (Cache.Count() <= slot) Cache.Resize(slot + 10);
    if (!Cache[slot]) {
        Cache[slot] = loaded;
        loaded = nullptr;
    }
    cached = Cache[slot];
    ReleaseSRWLockExclusive(&CacheLock);
    delete[] loaded;
    return cached;
}

void FreeLangStrings() {
    AcquireSRWLockExclusive(&CacheLock);
    FreeSlots(Cache);
    Cache.Resize(1);
    ReleaseSRWLockExclusive(&CacheLock);
}

void LoadLangStringList() {
    AcquireSRWLockExclusive(&ListLock);
    FreeSlots(List);
    List.Resize(kListSlots);
    for (uint32_t i = 0; i + 1 < kListSlots; ++i) {
        wchar_t* text = LoadCopy(kFirstListId + static_cast<int32_t>(i));
        if (!*text) {
            delete[] text;
            break;
        }
        List[i] = text;
    }
    ReleaseSRWLockExclusive(&ListLock);
}

void FreeLangStringList() {
    AcquireSRWLockExclusive(&ListLock);
    FreeSlots(List);
    ReleaseSRWLockExclusive(&ListLock);
}

const wchar_t* LangStringListEntry(uint32_t index) {
    AcquireSRWLockShared(&ListLock);
    const wchar_t* text = index < List.Count() ? List[index] : nullptr;
    ReleaseSRWLockShared(&ListLock);
    return text;
}
