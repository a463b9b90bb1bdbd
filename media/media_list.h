// The program-wide list of running media playbacks, in order of start. Playback threads append
// their entry and remove it when they end; "/play" requests on other threads find an entry by
// name to stop, pause or resume it. Every access takes the list's lock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct IMediaControl;

constexpr uint32_t kMediaPlaying = 7;
constexpr uint32_t kMediaResumed = 1;
constexpr uint32_t kMediaPaused = 2;
constexpr uint32_t kMediaStopped = 3;
constexpr uint32_t kNoMediaEntry = 0xFFFFFFFF;

struct MediaEntry {
    // The request's words, never empty; word 0, the file, is the entry's name.
    std::vector<std::wstring> Words;
    IMediaControl* Control = nullptr; // the owning thread's reference
    uint32_t State = kMediaPlaying;
    uint64_t Id = 0;           // the owner's own mark: names may repeat
    void* WakeEvent = nullptr; // set when the state changes, so the owner notices at once
};

// The index of the first entry whose name equals the name exactly (case counts), or
// kNoMediaEntry.
uint32_t FindMediaEntry(const std::wstring& name);

// Appends an entry and returns its id.
uint64_t AddMediaEntry(MediaEntry entry);
// Removes the entry with that id (only the thread that added it does).
void RemoveMediaEntryById(uint64_t id);
// The state of the entry with that id, or kMediaPlaying when it is gone.
uint32_t MediaEntryStateById(uint64_t id);
// Runs the change on the first entry with the name, under the lock; false when there is none.
bool ChangeMediaEntry(const std::wstring& name, const std::function<void(MediaEntry&)>& change);
// Count of entries, for the tests and the shutdown.
size_t MediaEntryCount();
