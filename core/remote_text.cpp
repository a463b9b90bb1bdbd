#include "core/remote_text.h"

#include "common/xstring.h"
#include "core/client_services.h"
#include "markup/untrusted_text.h"

namespace {

thread_local uint32_t RemoteDepth = 0;

} // namespace

RemoteTextScope::RemoteTextScope(bool mark) : mark_(mark) {
    if (mark_) ++RemoteDepth;
}

RemoteTextScope::~RemoteTextScope() {
    if (mark_) --RemoteDepth;
}

bool HandlingRemoteText() {
    return RemoteDepth != 0;
}

std::string CleanWhenFromOutside(const std::string& text) {
    return HandlingRemoteText() ? CleanUntrustedText(text) : text;
}

void ReportRefusedForRemoteText(WindowRecord* window, const std::string& what) {
    PrintToWindow(kInformationLine, window,
                  L"\x03"
                  L"4\x12\u00B7\x12 " +
                      NarrowToWide(what) +
                      L" was not run: it came from text a server sent, and only typed lines and your own "
                      L"scripts may run it.");
}
