#include "core/preferences_request.h"

#include <windows.h>

namespace {

SRWLOCK SectionLock = SRWLOCK_INIT;
std::string& PendingSection() {
    static std::string section;
    return section;
}

} // namespace

void SetPreferencesPendingSection(const std::string& section) {
    AcquireSRWLockExclusive(&SectionLock);
    PendingSection() = section;
    ReleaseSRWLockExclusive(&SectionLock);
}

std::string TakePreferencesPendingSection() {
    AcquireSRWLockExclusive(&SectionLock);
    std::string section = std::move(PendingSection());
    PendingSection().clear();
    ReleaseSRWLockExclusive(&SectionLock);
    return section;
}
