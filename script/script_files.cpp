#include "script/script_files.h"

#include <map>
#include <mutex>

namespace {

std::mutex& FilesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<int64_t, std::shared_ptr<FILE>>& Files() {
    static std::map<int64_t, std::shared_ptr<FILE>> files;
    return files;
}

} // namespace

int64_t RegisterScriptFile(FILE* stream) {
    if (!stream) return 0;
    static int64_t lastHandle = 0;
    std::lock_guard<std::mutex> lock(FilesMutex());
    const int64_t handle = ++lastHandle;
    Files()[handle] = std::shared_ptr<FILE>(stream, [](FILE* f) { std::fclose(f); });
    return handle;
}

std::shared_ptr<FILE> FindScriptFile(int64_t handle) {
    std::lock_guard<std::mutex> lock(FilesMutex());
    auto found = Files().find(handle);
    return found == Files().end() ? nullptr : found->second;
}

bool CloseScriptFile(int64_t handle) {
    std::shared_ptr<FILE> stream;
    {
        std::lock_guard<std::mutex> lock(FilesMutex());
        auto found = Files().find(handle);
        if (found == Files().end()) return false;
        stream = std::move(found->second);
        Files().erase(found);
    }
    return true; // the stream closes here, outside the lock, unless a write still holds it
}

std::vector<int64_t> ScriptFileHandles() {
    std::vector<int64_t> handles;
    std::lock_guard<std::mutex> lock(FilesMutex());
    for (const auto& entry : Files()) handles.push_back(entry.first);
    return handles;
}
