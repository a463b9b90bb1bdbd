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
    const int64_t handle = static_cast<int64_t>(reinterpret_cast<uintptr_t>(stream));
    std::lock_guard<std::mutex> lock(FilesMutex());
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
