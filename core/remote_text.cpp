#include "core/remote_text.h"

namespace {

thread_local uint32_t RemoteDepth = 0;

} // namespace

RemoteTextScope::RemoteTextScope() {
    ++RemoteDepth;
}

RemoteTextScope::~RemoteTextScope() {
    --RemoteDepth;
}

bool HandlingRemoteText() {
    return RemoteDepth != 0;
}
