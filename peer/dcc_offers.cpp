// DCC file offers and chats reach this version of the program, but the transfers and chats
// themselves are not part of it: the user is told, and nothing is connected or written.
#include "peer/dcc_offers.h"

#include "common/xstring.h"
#include "core/dcc_connection.h"
#include "core/window_record.h"
#include "views/line_printer.h"
#include "markup/untrusted_text.h"

void peer::HandleDccSendOffer(WindowRecord* window, const std::vector<std::string>& words,
                              const UserAddress& sender, uint8_t mode, uint8_t) {
    if (!window || mode != 0) return;
    const std::string file = words.size() > 5 ? words[5] : std::string();
    const std::wstring text = L"A file offer from " + CleanUntrustedTextW(NarrowToWide(sender.Nick)) + L" (" +
                              CleanUntrustedTextW(NarrowToWide(file)) +
                              L") was not taken: file transfers are not part of this version of Brindlex.";
    PrintToWindow(kInformationLine, window, text);
}

unsigned __stdcall peer::DccChatThread(void* record) {
    auto* window = static_cast<WindowRecord*>(record);
    if (window)
        PrintToWindow(kInformationLine, window,
                      L"DCC chats are not part of this version of Brindlex: nothing was "
                      L"connected.");
    return 0;
}
