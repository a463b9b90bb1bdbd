#include "script/script_sockets.h"

#include <map>
#include <mutex>

namespace {

std::mutex& SocketsMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<int64_t, std::shared_ptr<ScriptSocket>>& Sockets() {
    static std::map<int64_t, std::shared_ptr<ScriptSocket>> sockets;
    return sockets;
}

} // namespace

int64_t RegisterScriptSocket(SOCKET socket) {
    if (socket == INVALID_SOCKET) return -1;
    static int64_t lastNumber = 0;
    auto entry = std::make_shared<ScriptSocket>(socket);
    std::lock_guard<std::mutex> lock(SocketsMutex());
    const int64_t number = ++lastNumber;
    Sockets()[number] = std::move(entry);
    return number;
}

std::shared_ptr<ScriptSocket> FindScriptSocket(int64_t number) {
    std::lock_guard<std::mutex> lock(SocketsMutex());
    auto found = Sockets().find(number);
    return found == Sockets().end() ? nullptr : found->second;
}

bool CloseScriptSocket(int64_t number) {
    std::shared_ptr<ScriptSocket> entry;
    {
        std::lock_guard<std::mutex> lock(SocketsMutex());
        auto found = Sockets().find(number);
        if (found == Sockets().end()) return false;
        entry = std::move(found->second);
        Sockets().erase(found);
    }
    shutdown(entry->Socket, SD_BOTH);
    return true; // closes here, outside the lock, unless a call still holds it
}
