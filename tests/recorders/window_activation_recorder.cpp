// Records window activation and the end of DCC chats while the shell is not linked.
#include "shell/window_operations.h"
#include "tests/recorders/call_log.h"

void ActivateWindowRecord(WindowRecord* record) {
    CallLog::Instance().Add({"ActivateWindowRecord", record, {}, 0});
}

void OnDccChatDisconnected(WindowRecord* record, DccConnection*) {
    CallLog::Instance().Add({"OnDccChatDisconnected", record, {}, 0});
}
