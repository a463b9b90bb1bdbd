// Records DCC offers handed to the peer subsystem and chat threads started while it is not
// linked.
#include "peer/dcc_offers.h"
#include "tests/recorders/call_log.h"

void HandleDccSendOffer(WindowRecord* window, const std::vector<std::string>& words,
                        const UserAddress& sender, uint8_t mode, uint8_t autoAccept) {
    std::string text = sender.Nick + ">";
    for (const std::string& word : words) text += word + "|";
    CallLog::Instance().Add(
        {"HandleDccSendOffer", window, text, static_cast<uint64_t>(mode * 10 + autoAccept)});
}

unsigned __stdcall DccChatThread(void* record) {
    CallLog::Instance().Add({"DccChatThread", static_cast<WindowRecord*>(record), {}, 0});
    return 0;
}
