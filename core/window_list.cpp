#include "core/window_list.h"

#include "common/text_compare.h"
#include "core/client_services.h"
#include "core/interface_thread_call.h"

#include <algorithm>

std::vector<WindowRecord*> WindowList;

WindowListLock& WindowListMutex() {
    static WindowListLock mutex;
    return mutex;
}

void InsertWindowRecord(WindowRecord* record) {
    WindowListWriteLock lock(WindowListMutex());
    WindowList.push_back(record);
    std::stable_sort(WindowList.begin(), WindowList.end(), CompareWindowRecords);
}

bool EraseWindowRecord(WindowRecord* record) {
    WindowListWriteLock lock(WindowListMutex());
    auto it = std::find(WindowList.begin(), WindowList.end(), record);
    if (it == WindowList.end()) return false;
    WindowList.erase(it);
    return true;
}

uint32_t GetWindowRecordIndex(const WindowRecord* record) {
    WindowListReadLock lock(WindowListMutex());
    auto it = std::find(WindowList.begin(), WindowList.end(), record);
    return it == WindowList.end() ? kNoWindowIndex : static_cast<uint32_t>(it - WindowList.begin());
}

WindowRecord* GetWindowRecordAt(uint32_t index) {
    WindowListReadLock lock(WindowListMutex());
    return index < WindowList.size() ? WindowList[index] : nullptr;
}

bool IsWindowRecordListed(const WindowRecord* record) {
    return GetWindowRecordIndex(record) != kNoWindowIndex;
}

bool IsWindowRecordListed(const WindowRecord* record, uint64_t serial) {
    WindowListReadLock lock(WindowListMutex());
    auto it = std::find(WindowList.begin(), WindowList.end(), record);
    return it != WindowList.end() && (*it)->Serial == serial;
}

namespace {

// Callers hold the lock.
uint32_t FindIndexLocked(const std::string& name, const ServerConnection* connection) {
    if (!connection) return kNoWindowIndex;
    for (size_t i = 0; i < WindowList.size(); ++i) {
        const WindowRecord* r = WindowList[i];
        bool belongs = r->Connection == connection || (r->Server && r->Server->Connection == connection);
        if (belongs && r->Type != kDccChatWindow && StringEqualsNoCase(r->Name, name))
            return static_cast<uint32_t>(i);
    }
    return kNoWindowIndex;
}

} // namespace

uint32_t FindWindowRecordIndex(const std::string& name, const ServerConnection* connection) {
    WindowListReadLock lock(WindowListMutex());
    return FindIndexLocked(name, connection);
}

WindowRecord* FindWindowRecord(const std::string& name, const ServerConnection* connection) {
    WindowListReadLock lock(WindowListMutex());
    const uint32_t index = FindIndexLocked(name, connection);
    return index == kNoWindowIndex ? nullptr : WindowList[index];
}

int32_t FindWindowCodePage(const std::string& name, const ServerConnection* connection) {
    WindowListReadLock lock(WindowListMutex());
    uint32_t index = FindIndexLocked(name, connection);
    return index == kNoWindowIndex ? -1 : WindowList[index]->CodePage;
}

std::vector<WindowRecord*> WindowListSnapshot() {
    WindowListReadLock lock(WindowListMutex());
    return WindowList;
}

uint32_t FindDccChatWindowIndex(const std::string& name) {
    WindowListReadLock lock(WindowListMutex());
    for (size_t i = 0; i < WindowList.size(); ++i)
        if (WindowList[i]->Type == kDccChatWindow && StringEqualsNoCase(WindowList[i]->Name, name))
            return static_cast<uint32_t>(i);
    return kNoWindowIndex;
}

void SetWindowRecordName(WindowRecord* record, const std::string& name) {
    if (!record) return;
    RunOnInterfaceThread([record, &name] {
        {
            WindowListWriteLock lock(WindowListMutex());
            record->Name = name;
        }
        SetWindowTabCaption(record);
    });
}

std::string WindowRecordName(const WindowRecord* record) {
    WindowListReadLock lock(WindowListMutex());
    return record ? record->Name : std::string();
}

void SetWindowRecordTopic(WindowRecord* record, const std::string& topic) {
    WindowListWriteLock lock(WindowListMutex());
    record->Topic = topic;
}

void SetWindowRecordModes(WindowRecord* record, const std::string& modes) {
    const size_t end = modes.find_last_not_of(' ');
    WindowListWriteLock lock(WindowListMutex());
    record->Modes.assign(modes, 0, end == std::string::npos ? 0 : end + 1);
}

std::string WindowRecordTopic(const WindowRecord* record) {
    WindowListReadLock lock(WindowListMutex());
    return record->Topic;
}

std::string WindowRecordModes(const WindowRecord* record) {
    WindowListReadLock lock(WindowListMutex());
    return record->Modes;
}
