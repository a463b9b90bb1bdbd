// What the peer subsystem does with DCC offers that the CTCP filter recognised.
#pragma once

#include "core/client_services.h"

#include "irc/user_address.h"

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;
struct DccConnection;

namespace peer {
// A file offer (mode 0: SEND, TSEND) or the answer to a resume request (mode 1: ACCEPT,
// TACCEPT) from the sender: refuses blocked files and names of the program's own files, asks
// the user unless AutoAccept is set, chooses the path and starts qx to receive. words: the
// offer's words (0 prefix, 1 PRIVMSG, 2 target, 3 "DCC", 4 the request, 5 the file's base name,
// then its arguments). Any thread: what needs the user is asked on the interface thread in turn
// (AskInTurn), and the caller goes on at once.
void HandleDccSendOffer(WindowRecord* window, const std::vector<std::string>& words,
                        const UserAddress& sender, uint8_t mode, DccOfferOptions options = {});

// The chat's received bytes in order of arrival, cut into what the chat shows: text lines and
// voice frames. Bounded: a line longer than kMaxHeldText (text that reaches it without a line
// feed) or a frame longer than kMaxVoiceFrame ends the chat, so neither the text held nor what
// is shown grows with what the peer sends.
struct VoiceFrameData {
    uint8_t Kind = 0;
    std::string Data;
};
class DccChatStream {
public:
    static constexpr size_t kMaxHeldText = 20000;
    static constexpr uint32_t kMaxVoiceFrame = 65536;
    enum class Fault { None, LineTooLong, FrameTooLong };
    // Feeds received bytes; false when the peer broke a bound (Broken says which). What came
    // before the fault is still taken out; nothing after it is kept.
    bool Feed(const char* data, size_t length);
    Fault Broken() const { return fault_; }
    std::vector<std::string> TakeLines();
    std::vector<VoiceFrameData> TakeFrames();

private:
    std::string held_;    // text of a line not yet ended
    std::string pending_; // bytes not yet parsed (a frame waiting for the rest)
    std::vector<std::string> lines_;
    std::vector<VoiceFrameData> frames_;
    Fault fault_ = Fault::None;
    bool HoldText(const char* data, size_t length);
};

// The notice that ends a chat whose peer broke a bound.
std::wstring ChatFaultNotice(DccChatStream::Fault fault);

// Fills the connection's certificate store and certificate from the "MY" store when none is
// held: the first certificate one of whose name parts equals "User_name".
void SelectDccServerCertificate(DccConnection* dcc);

// Thread procedure of a DCC chat: the parameter is the chat window's record, whose
// DccConnection says whom to connect to.
unsigned __stdcall DccChatThread(void* record);
} // namespace peer
