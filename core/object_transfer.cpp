#include "core/object_transfer.h"

#include <map>

namespace {

SRWLOCK OffersLock = SRWLOCK_INIT;

std::map<DWORD, SOCKET>& Offers() {
    static std::map<DWORD, SOCKET> offers;
    return offers;
}

} // namespace

void PublishObjectOffer(DWORD threadId, SOCKET socket) {
    AcquireSRWLockExclusive(&OffersLock);
    Offers()[threadId] = socket;
    ReleaseSRWLockExclusive(&OffersLock);
}

bool WithdrawObjectOffer(DWORD threadId) {
    AcquireSRWLockExclusive(&OffersLock);
    const bool present = Offers().erase(threadId) != 0;
    ReleaseSRWLockExclusive(&OffersLock);
    return present;
}

SOCKET ObjectOfferSocket(DWORD threadId) {
    AcquireSRWLockShared(&OffersLock);
    auto found = Offers().find(threadId);
    const SOCKET socket = found == Offers().end() ? INVALID_SOCKET : found->second;
    ReleaseSRWLockShared(&OffersLock);
    return socket;
}

bool KillObjectOffer(SOCKET socket, DWORD threadId) {
    // Closed under the lock, so the serving thread cannot withdraw and close it at the same time.
    AcquireSRWLockExclusive(&OffersLock);
    auto found = Offers().find(threadId);
    const bool match = found != Offers().end() && found->second == socket;
    if (match) {
        closesocket(socket);
        Offers().erase(found);
    }
    ReleaseSRWLockExclusive(&OffersLock);
    return match;
}
