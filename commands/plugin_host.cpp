#include "commands/plugin_host.h"

#include "commands/plugin_call_guard.h"
#include "common/app_state.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "core/window_list.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr uint64_t kConsumed = 1;
constexpr uint64_t kUnloadMe = 2;

struct PluginEntry {
    HMODULE Module = nullptr;
    const void* Event = nullptr;   // BrindlexProc (code, block) -> 64-bit result
    const void* Version = nullptr; // BrindlexVersion7 (7, 94, 0) -> 1 refuses
    const void* Unload = nullptr;  // BrindlexUnload (0)
    FARPROC Toolbar = nullptr;     // resolved and kept; nothing calls it
    std::wstring Path;
    // Calls into the library running on any thread, and whether it left the list. A retired
    // library is freed on the interface thread once its calls are 0.
    std::atomic<uint32_t> Calls{0};
    std::atomic<bool> Retired{false};
    bool CallUnload = false; // "BrindlexUnload" before it is freed
};
using PluginPointer = std::shared_ptr<PluginEntry>;

// The list in load order (a null slot: a library unloaded by the broadcast), the libraries that
// left it and wait to be freed, and the paths. All under the lock.
SRWLOCK PluginLock = SRWLOCK_INIT;
std::vector<PluginPointer> Entries;
std::vector<PluginPointer> Retiring;
std::atomic<uint32_t> LoadedCount{0};
std::atomic<uint32_t> RetiringCount{0};
std::vector<std::wstring> Paths;

SRWLOCK MenuLock = SRWLOCK_INIT;
std::vector<PluginMenuItem> MenuItems;

// The caller holds the lock exclusively.
void CountEntries() {
    uint32_t count = 0;
    for (const PluginPointer& entry : Entries)
        if (entry) ++count;
    LoadedCount = count;
    RetiringCount = static_cast<uint32_t>(Retiring.size());
}

// Frees the library: its unload entry first when it is to be told.
void Release(PluginEntry& entry) {
    if (entry.CallUnload && entry.Unload) GuardedPluginCall(entry.Unload, 0, 0, 0, nullptr);
    if (entry.Module) FreeLibrary(entry.Module);
    entry.Module = nullptr;
}

// Interface thread: frees every retired library that no call runs in.
void FreeIdleLibraries() {
    if (!OnInterfaceThread() || RetiringCount.load() == 0) return;
    std::vector<PluginPointer> idle;
    AcquireSRWLockExclusive(&PluginLock);
    for (auto it = Retiring.begin(); it != Retiring.end();) {
        if ((*it)->Calls.load() == 0) {
            idle.push_back(std::move(*it));
            it = Retiring.erase(it);
        } else {
            ++it;
        }
    }
    CountEntries();
    ReleaseSRWLockExclusive(&PluginLock);
    for (const PluginPointer& entry : idle) Release(*entry);
}

// After a library left the list or a call into a retired one ended: free it here on the interface
// thread, or wake the interface thread, whose message loop frees it.
void FreeRetiredSoon() {
    if (RetiringCount.load() == 0) return;
    if (OnInterfaceThread()) return FreeIdleLibraries();
    if (HWND frame = MainWindow.load()) PostMessageW(frame, WM_NULL, 0, 0);
}

// Takes the entry out of the list (its slot stays empty, or is removed) so no new call starts in
// it; false when it had left already. The caller holds the lock exclusively.
bool RetireLocked(PluginPointer entry, bool callUnload, bool removeSlot) {
    if (!entry || entry->Retired.exchange(true)) return false;
    entry->CallUnload = callUnload;
    for (auto it = Entries.begin(); it != Entries.end(); ++it) {
        if (*it != entry) continue;
        if (removeSlot)
            Entries.erase(it);
        else
            it->reset();
        break;
    }
    Retiring.push_back(entry);
    CountEntries();
    return true;
}

void RetireFromBroadcast(const PluginPointer& entry) {
    AcquireSRWLockExclusive(&PluginLock);
    RetireLocked(entry, false, false);
    ReleaseSRWLockExclusive(&PluginLock);
}

// The calls a broadcast counted in for the entries it is about to visit; each ends as it is done.
class CallCounts {
public:
    explicit CallCounts(std::vector<PluginPointer> entries) : entries_(std::move(entries)) {}
    ~CallCounts() {
        for (size_t i = ended_; i < entries_.size(); ++i) End(i);
        FreeRetiredSoon();
    }
    CallCounts(const CallCounts&) = delete;
    CallCounts& operator=(const CallCounts&) = delete;
    size_t Size() const { return entries_.size(); }
    const PluginPointer& operator[](size_t i) const { return entries_[i]; }
    // Ends the count of the entry at i, and of none before it twice.
    void EndThrough(size_t i) {
        for (; ended_ <= i && ended_ < entries_.size(); ++ended_) End(ended_);
    }

private:
    void End(size_t i) { entries_[i]->Calls.fetch_sub(1); }
    std::vector<PluginPointer> entries_;
    size_t ended_ = 0;
};

// The server window a fault is told in: that of the event's window, else that of the window the
// user works in, else the first one.
WindowRecord* ReportWindow(uint32_t code, void* block) {
    WindowRecord* window = nullptr;
    if ((code == kPluginServerLine || code == kPluginWindowText) && block)
        window = GetWindowRecordAt(static_cast<uint32_t>(static_cast<PluginEvent*>(block)->Words[1]));
    if (!window) window = GetActiveWindowRecord();
    if (window && window->Server) return window->Server;
    if (window) return window;
    for (WindowRecord* record : WindowListSnapshot())
        if (record->Type == kServerWindow) return record;
    return nullptr;
}

void ReportFault(const PluginEntry& entry, uint32_t fault, uint32_t code, void* block) {
    wchar_t number[16] = {};
    std::swprintf(number, 16, L"%08X", fault);
    PrintToWindow(kInformationLine, ReportWindow(code, block),
                  DisplayText().Color(4).Dot().Text(L" The plug-in " + entry.Path + L" failed (exception " +
                                                    number + L") and was unloaded."));
}

} // namespace

uint64_t BroadcastToPlugins(uint32_t code, void* block) {
    FreeIdleLibraries();
    if (LoadedCount.load() == 0) return 0;
    std::vector<PluginPointer> visiting;
    AcquireSRWLockShared(&PluginLock);
    for (const PluginPointer& entry : Entries) {
        if (!entry) continue;
        entry->Calls.fetch_add(1);
        visiting.push_back(entry);
    }
    ReleaseSRWLockShared(&PluginLock);

    CallCounts calls(std::move(visiting));
    uint64_t running = 0;
    for (size_t i = 0; i < calls.Size(); ++i) {
        const PluginPointer& entry = calls[i];
        if (entry->Retired.load()) {
            calls.EndThrough(i);
            continue; // unloaded meanwhile
        }
        uint32_t fault = 0;
        const uint64_t result =
            GuardedPluginCall(entry->Event, code, reinterpret_cast<uint64_t>(block), 0, &fault);
        calls.EndThrough(i);
        if (fault) {
            RetireFromBroadcast(entry);
            ReportFault(*entry, fault, code, block);
            running = 0;
        } else if (result == kConsumed) {
            return result;
        } else if (result == kUnloadMe) {
            RetireFromBroadcast(entry);
            running = 0;
        } else {
            running = static_cast<uint32_t>(result);
        }
    }
    return running;
}

uint64_t BroadcastWindowMessage(uint32_t code, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (LoadedCount.load() == 0 && RetiringCount.load() == 0) return 0;
    PluginEvent event{{reinterpret_cast<uint64_t>(window), message, static_cast<uint64_t>(wParam),
                       static_cast<uint64_t>(lParam)}};
    return BroadcastToPlugins(code, &event);
}

uint64_t commands::NotifyPluginsServerLine(uint32_t windowIndex, const std::string& line) {
    if (LoadedCount.load() == 0) return 0;
    WindowRecord* window = GetWindowRecordAt(windowIndex);
    if (!window || window->Type != kServerWindow || !window->Connection) return 0;
    PluginEvent event{{0, windowIndex, static_cast<uint64_t>(window->Connection->Socket.load()),
                       reinterpret_cast<uint64_t>(line.c_str())}};
    return BroadcastToPlugins(kPluginServerLine, &event);
}

uint64_t commands::NotifyPluginsWindowText(const std::wstring& text, uint32_t windowIndex) {
    if (LoadedCount.load() == 0) return 0;
    WindowRecord* window = GetWindowRecordAt(windowIndex);
    if (!window) return 0;
    PluginEvent event{{0, windowIndex, reinterpret_cast<uint64_t>(window->Window),
                       reinterpret_cast<uint64_t>(text.c_str())}};
    return BroadcastToPlugins(kPluginWindowText, &event);
}

void SetPluginPaths(std::vector<std::wstring> paths) {
    AcquireSRWLockExclusive(&PluginLock);
    Paths = std::move(paths);
    ReleaseSRWLockExclusive(&PluginLock);
}

std::vector<std::wstring> PluginPaths() {
    AcquireSRWLockShared(&PluginLock);
    std::vector<std::wstring> paths = Paths;
    ReleaseSRWLockShared(&PluginLock);
    return paths;
}

void LoadPlugins() {
    UnloadPlugins(0xFFFFFFFF);
    std::vector<PluginPointer> loaded;
    for (const std::wstring& path : PluginPaths()) {
        HMODULE module = LoadLibraryW(path.c_str());
        if (!module) continue;
        auto entry = std::make_shared<PluginEntry>();
        entry->Module = module;
        entry->Event = reinterpret_cast<const void*>(GetProcAddress(module, "BrindlexProc"));
        if (!entry->Event) {
            FreeLibrary(module);
            continue;
        }
        entry->Toolbar = GetProcAddress(module, "BrindlexToolbar");
        entry->Version = reinterpret_cast<const void*>(GetProcAddress(module, "BrindlexVersion7"));
        entry->Unload = reinterpret_cast<const void*>(GetProcAddress(module, "BrindlexUnload"));
        uint32_t fault = 0;
        const uint32_t refusal =
            entry->Version ? static_cast<uint32_t>(GuardedPluginCall(entry->Version, 7, 94, 0, &fault)) : 0;
        if (refusal == 1 || fault) {
            FreeLibrary(module);
            continue;
        }
        entry->Path = path;
        loaded.push_back(std::move(entry));
    }
    AcquireSRWLockExclusive(&PluginLock);
    Entries = std::move(loaded);
    CountEntries();
    ReleaseSRWLockExclusive(&PluginLock);
}

uint32_t UnloadPlugins(uint32_t index) {
    uint32_t count = 0;
    AcquireSRWLockExclusive(&PluginLock);
    if (index == 0xFFFFFFFF) {
        count = static_cast<uint32_t>(Entries.size());
        const std::vector<PluginPointer> leaving = Entries;
        for (const PluginPointer& entry : leaving) RetireLocked(entry, true, true);
        Entries.clear();
    } else if (index < Entries.size()) {
        if (!RetireLocked(Entries[index], true, true)) Entries.erase(Entries.begin() + index);
    }
    CountEntries();
    ReleaseSRWLockExclusive(&PluginLock);
    FreeRetiredSoon();
    return count;
}

void FinishPluginUnloads(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        FreeIdleLibraries();
        if (RetiringCount.load() == 0 || GetTickCount64() >= end) return;
        // Lines the remaining calls print are sent to this thread: take them while waiting.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

uint32_t PluginCount() {
    AcquireSRWLockShared(&PluginLock);
    const uint32_t count = static_cast<uint32_t>(Entries.size());
    ReleaseSRWLockShared(&PluginLock);
    return count;
}

uint32_t LoadedPluginCount() {
    return LoadedCount.load();
}

std::vector<PluginMenuItem> PluginMenuItemsSnapshot() {
    AcquireSRWLockShared(&MenuLock);
    std::vector<PluginMenuItem> items = MenuItems;
    ReleaseSRWLockShared(&MenuLock);
    return items;
}

uint64_t commands::PluginMenuEntryPopup(uint32_t index) {
    AcquireSRWLockShared(&MenuLock);
    const uint64_t popup = index < MenuItems.size() ? MenuItems[index].Popup : 0;
    ReleaseSRWLockShared(&MenuLock);
    return popup;
}

void ErasePluginMenuItem(uint32_t index) {
    AcquireSRWLockExclusive(&MenuLock);
    if (index < MenuItems.size()) MenuItems.erase(MenuItems.begin() + index);
    ReleaseSRWLockExclusive(&MenuLock);
}

extern "C" uint32_t __cdecl AddPluginMenu(uint64_t popup, const char* caption) {
    PluginMenuItem item;
    item.Popup = popup;
    try {
        item.Caption = NarrowToWide(std::string(caption ? caption : ""), CP_UTF8);
    } catch (...) {
    }
    AcquireSRWLockExclusive(&MenuLock);
    MenuItems.push_back(std::move(item));
    const uint32_t count = static_cast<uint32_t>(MenuItems.size());
    ReleaseSRWLockExclusive(&MenuLock);
    return count;
}

namespace {

std::map<HMENU, std::vector<QueuedPopupMenu>>& Queues() {
    static std::map<HMENU, std::vector<QueuedPopupMenu>> queues;
    return queues;
}

} // namespace

std::vector<QueuedPopupMenu>& QueuedPopupMenus(HMENU menu) {
    return Queues()[menu];
}

void InsertQueuedPopupMenus(HMENU menu, uint32_t leadingItems) {
    auto found = Queues().find(menu);
    if (found == Queues().end()) return;
    const std::vector<QueuedPopupMenu> queue = std::move(found->second);
    Queues().erase(found);
    for (auto it = queue.rbegin(); it != queue.rend(); ++it)
        InsertMenuW(menu, it->Position + leadingItems, MF_BYPOSITION | MF_POPUP,
                    reinterpret_cast<UINT_PTR>(it->Popup), it->Caption.c_str());
}

void DiscardQueuedPopupMenus(HMENU menu) {
    auto found = Queues().find(menu);
    if (found == Queues().end()) return;
    for (const QueuedPopupMenu& entry : found->second) DestroyMenu(entry.Popup);
    Queues().erase(found);
}
