#include "irc_lines/pending_sends.h"

#include "common/text_compare.h"

#include <windows.h>

#include <list>

namespace {

struct PendingSendList {
    SRWLOCK Lock = SRWLOCK_INIT;
    std::list<PendingSend> Sends;
};

PendingSendList& List() {
    static PendingSendList list;
    return list;
}

} // namespace

void AddPendingSend(const PendingSend& send) {
    AcquireSRWLockExclusive(&List().Lock);
    List().Sends.push_back(send);
    ReleaseSRWLockExclusive(&List().Lock);
}

bool TakePendingSend(const std::string& nick, PendingSend& out) {
    AcquireSRWLockExclusive(&List().Lock);
    bool found = false;
    for (auto it = List().Sends.begin(); it != List().Sends.end(); ++it) {
        if (!StringEqualsNoCase(it->Nick, nick)) continue;
        out = *it;
        List().Sends.erase(it);
        found = true;
        break;
    }
    ReleaseSRWLockExclusive(&List().Lock);
    return found;
}

bool HasPendingSend(const std::string& nick) {
    AcquireSRWLockShared(&List().Lock);
    bool found = false;
    for (const PendingSend& send : List().Sends) found = found || StringEqualsNoCase(send.Nick, nick);
    ReleaseSRWLockShared(&List().Lock);
    return found;
}
