// Records the disconnect routine while the shell is not linked. Like the routine, it ends the
// session through EndServerSession, and notes "SessionEnded" when this call was the one that did.
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "shell/window_operations.h"
#include "shell/window_record.h"
#include "tests/recorders/call_log.h"

void OnServerDisconnected(WindowRecord* record, uint8_t byUser) {
    CallLog& log = CallLog::Instance();
    log.Add({"OnServerDisconnected", record, {}, byUser});
    if (record && record->Connection && EndServerSession(*record->Connection, byUser))
        log.Add({"SessionEnded", record, {}, byUser});
}
