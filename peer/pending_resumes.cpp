#include "peer/pending_resumes.h"

#include "common/text_compare.h"

#include <mutex>
#include <vector>

namespace {

std::mutex& ListLock() {
    static std::mutex lock;
    return lock;
}

std::vector<peer::PendingResume>& List() {
    static std::vector<peer::PendingResume> list;
    return list;
}

} // namespace

void peer::AddPendingResume(const PendingResume& resume) {
    std::lock_guard<std::mutex> hold(ListLock());
    List().push_back(resume);
}

bool peer::TakePendingResume(const std::string& nick, const std::string& file, uint32_t port,
                             uint64_t position, PendingResume& out) {
    std::lock_guard<std::mutex> hold(ListLock());
    auto& list = List();
    for (auto at = list.begin(); at != list.end(); ++at) {
        if (!StringEqualsNoCase(at->Nick, nick) || at->File != file || at->Job.Port != port ||
            at->LocalSize != position)
            continue;
        out = *at;
        list.erase(at);
        return true;
    }
    return false;
}
