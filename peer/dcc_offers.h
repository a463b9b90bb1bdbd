// What the peer subsystem does with DCC offers that the CTCP filter recognised.
#pragma once

#include "core/client_services.h"

#include "irc/user_address.h"

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

namespace peer {
// A file offer (mode 0: SEND, TSEND) or the answer to a resume request (mode 1: ACCEPT,
// TACCEPT) from the sender: refuses blocked files, asks the user unless autoAccept is set,
// chooses the path and starts qx to receive. words: the offer's words (0 prefix, 1 PRIVMSG,
// 2 target, 3 "DCC", 4 the request, 5 the file's base name, then its arguments). Runs on the
// connection thread, which waits meanwhile.
void HandleDccSendOffer(WindowRecord* window, const std::vector<std::string>& words,
                        const UserAddress& sender, uint8_t mode, uint8_t autoAccept);
} // namespace peer

namespace peer {
// Thread procedure of a DCC chat: the parameter is the chat window's record, whose
// DccConnection says whom to connect to.
unsigned __stdcall DccChatThread(void* record);
} // namespace peer
