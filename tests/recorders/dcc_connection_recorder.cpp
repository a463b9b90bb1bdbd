// DCC chat records while the peer subsystem is not linked: made and freed, the end recorded.
#include "peer/dcc_connection.h"
#include "tests/recorders/call_log.h"

DccConnection::DccConnection(WindowRecord* owner) : Owner(owner) {}

DccConnection::~DccConnection() {
    CallLog::Instance().Add({"DccConnectionFreed", Owner, PeerName, 0});
}
