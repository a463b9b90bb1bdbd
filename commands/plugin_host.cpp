#include "commands/plugin_host.h"

#include "common/xstring.h"
#include "irc/server_connection.h"
#include "core/window_list.h"

#include <atomic>
#include <map>

namespace {

using EventEntry = uint64_t(__cdecl*)(uint32_t code, void* block);
using VersionEntry = uint32_t(__cdecl*)(uint32_t, uint32_t, uint32_t);
using UnloadEntry = void(__cdecl*)(uint32_t);

constexpr uint64_t kConsumed = 1;
constexpr uint64_t kUnloadMe = 2;

struct PluginEntry {
    HMODULE Module = nullptr;
    EventEntry Event = nullptr;
    VersionEntry Version = nullptr;
    UnloadEntry Unload = nullptr;
    FARPROC Toolbar = nullptr; // resolved and kept; nothing calls it
    std::wstring Path;
};

// Loading and unloading happen on the interface thread; events come from every thread. A
// broadcast copies the entries under the shared lock and pins each library while it calls it,
// so an unload meanwhile never pulls the code from under a running call.
SRWLOCK PluginLock = SRWLOCK_INIT;
std::vector<PluginEntry> Entries;
std::atomic<uint32_t> LoadedCount{0};
std::vector<std::wstring> Paths;

SRWLOCK MenuLock = SRWLOCK_INIT;
std::vector<PluginMenuItem> MenuItems;

void CountLoaded() {
    uint32_t count = 0;
    for (const PluginEntry& e : Entries)
        if (e.Module) ++count;
    LoadedCount = count;
}

void Release(PluginEntry& entry, bool callUnload) {
    if (!entry.Module) return;
    if (callUnload && entry.Unload) {
        try {
            entry.Unload(0);
        } catch (...) {
        }
    }
    FreeLibrary(entry.Module);
    entry = PluginEntry{nullptr, nullptr, nullptr, nullptr, nullptr, entry.Path};
}

// Frees the library of the entry that still holds this module (a plug-in that asked to go).
void DropModule(HMODULE module) {
    AcquireSRWLockExclusive(&PluginLock);
    for (PluginEntry& entry : Entries)
        if (entry.Module == module) {
            Release(entry, false);
            break;
        }
    CountLoaded();
    ReleaseSRWLockExclusive(&PluginLock);
}

} // namespace

uint64_t BroadcastToPlugins(uint32_t code, void* block) {
    if (LoadedCount.load() == 0) return 0;
    std::vector<std::pair<HMODULE, EventEntry>> calls;
    AcquireSRWLockShared(&PluginLock);
    for (const PluginEntry& entry : Entries)
        if (entry.Module && entry.Event) calls.emplace_back(entry.Module, entry.Event);
    ReleaseSRWLockShared(&PluginLock);

    uint64_t running = 0;
    for (const auto& [module, event] : calls) {
        HMODULE pin = nullptr;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(event),
                                &pin))
            continue; // unloaded meanwhile
        uint64_t result = 0;
        try {
            result = event(code, block);
        } catch (...) {
            result = 0;
        }
        FreeLibrary(pin);
        if (result == kConsumed) return result;
        if (result == kUnloadMe) {
            DropModule(module);
            running = 0;
        } else {
            running = static_cast<uint32_t>(result);
        }
    }
    return running;
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
    std::vector<PluginEntry> loaded;
    for (const std::wstring& path : PluginPaths()) {
        HMODULE module = LoadLibraryW(path.c_str());
        if (!module) continue;
        PluginEntry entry;
        entry.Module = module;
        entry.Event = reinterpret_cast<EventEntry>(GetProcAddress(module, "BrindlexProc"));
        if (!entry.Event) {
            FreeLibrary(module);
            continue;
        }
        entry.Toolbar = GetProcAddress(module, "BrindlexToolbar");
        entry.Version = reinterpret_cast<VersionEntry>(GetProcAddress(module, "BrindlexVersion7"));
        entry.Unload = reinterpret_cast<UnloadEntry>(GetProcAddress(module, "BrindlexUnload"));
        uint32_t refusal = 0;
        if (entry.Version) {
            try {
                refusal = entry.Version(7, 94, 0);
            } catch (...) {
                refusal = 1;
            }
        }
        if (refusal == 1) {
            FreeLibrary(module);
            continue;
        }
        entry.Path = path;
        loaded.push_back(std::move(entry));
    }
    AcquireSRWLockExclusive(&PluginLock);
    Entries = std::move(loaded);
    CountLoaded();
    ReleaseSRWLockExclusive(&PluginLock);
}

uint32_t UnloadPlugins(uint32_t index) {
    // Taken out of the list first, so no broadcast starts a call into them; then unloaded.
    std::vector<PluginEntry> leaving;
    uint32_t count = 0;
    AcquireSRWLockExclusive(&PluginLock);
    if (index == 0xFFFFFFFF) {
        count = static_cast<uint32_t>(Entries.size());
        leaving = std::move(Entries);
        Entries.clear();
    } else if (index < Entries.size()) {
        leaving.push_back(std::move(Entries[index]));
        Entries.erase(Entries.begin() + index);
    }
    CountLoaded();
    ReleaseSRWLockExclusive(&PluginLock);
    for (PluginEntry& entry : leaving) Release(entry, true);
    return count;
}

uint32_t PluginCount() {
    AcquireSRWLockShared(&PluginLock);
    const uint32_t count = static_cast<uint32_t>(Entries.size());
    ReleaseSRWLockShared(&PluginLock);
    return count;
}

std::vector<PluginMenuItem> PluginMenuItemsSnapshot() {
    AcquireSRWLockShared(&MenuLock);
    std::vector<PluginMenuItem> items = MenuItems;
    ReleaseSRWLockShared(&MenuLock);
    return items;
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

void InsertQueuedPopupMenus(HMENU menu) {
    auto found = Queues().find(menu);
    if (found == Queues().end()) return;
    const std::vector<QueuedPopupMenu> queue = std::move(found->second);
    Queues().erase(found);
    for (auto it = queue.rbegin(); it != queue.rend(); ++it)
        InsertMenuW(menu, it->Position, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(it->Popup),
                    it->Caption.c_str());
}

void DiscardQueuedPopupMenus(HMENU menu) {
    auto found = Queues().find(menu);
    if (found == Queues().end()) return;
    for (const QueuedPopupMenu& entry : found->second) DestroyMenu(entry.Popup);
    Queues().erase(found);
}
