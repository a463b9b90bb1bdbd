#include "core/window_record_use.h"

#include "core/window_record.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// Uses are counted by the epoch they began in; each retirement starts a new epoch. A record
// retired in epoch E may be held by uses that began in E or before, never by later ones.
struct Lifetimes {
    std::mutex Mutex;
    uint64_t Epoch = 1;
    std::map<uint64_t, size_t> Uses;                         // epoch begun -> uses running
    std::vector<std::pair<uint64_t, WindowRecord*>> Retired; // epoch retired, record
};

Lifetimes& State() {
    static Lifetimes state;
    return state;
}

thread_local int t_depth = 0;
thread_local uint64_t t_begun = 0;

// The records no running use can hold any more, taken off the list. Called with the lock held.
std::vector<WindowRecord*> TakeFreeable(Lifetimes& state) {
    const uint64_t oldest = state.Uses.empty() ? UINT64_MAX : state.Uses.begin()->first;
    std::vector<WindowRecord*> freeable;
    auto& retired = state.Retired;
    for (auto it = retired.begin(); it != retired.end();) {
        if (it->first < oldest) {
            freeable.push_back(it->second);
            it = retired.erase(it);
        } else {
            ++it;
        }
    }
    return freeable;
}

void Delete(const std::vector<WindowRecord*>& records) {
    for (WindowRecord* record : records) delete record;
}

} // namespace

WindowRecordUse::WindowRecordUse() {
    if (t_depth++ > 0) return;
    Lifetimes& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    t_begun = state.Epoch;
    ++state.Uses[t_begun];
}

WindowRecordUse::~WindowRecordUse() {
    if (--t_depth > 0) return;
    Lifetimes& state = State();
    std::vector<WindowRecord*> freeable;
    {
        std::lock_guard<std::mutex> lock(state.Mutex);
        auto use = state.Uses.find(t_begun);
        if (use != state.Uses.end() && --use->second == 0) state.Uses.erase(use);
        if (!state.Retired.empty()) freeable = TakeFreeable(state);
    }
    Delete(freeable);
}

void RetireWindowRecord(WindowRecord* record) {
    if (!record) return;
    Lifetimes& state = State();
    std::vector<WindowRecord*> freeable;
    {
        std::lock_guard<std::mutex> lock(state.Mutex);
        state.Retired.emplace_back(state.Epoch++, record);
        freeable = TakeFreeable(state);
    }
    Delete(freeable);
}

size_t RetiredWindowRecordCount() {
    Lifetimes& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    return state.Retired.size();
}
