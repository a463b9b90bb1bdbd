#include "irc_lines/dcc_requests.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc_lines/dcc_offer_checks.h"
#include "irc_lines/line_handler_support.h"
#include "irc_lines/pending_sends.h"
#include "irc/server_connection.h"
#include "irc_lines/transfer_program.h"
#include "core/dcc_connection.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <optional>

namespace {

enum class DccWord { File, Accept, Chat, Indirect, Other };

DccWord Classify(const std::string& word) {
    for (const char* w : {"SEND", "TSEND"})
        if (StringEqualsNoCase(word, w)) return DccWord::File;
    for (const char* w : {"ACCEPT", "TACCEPT"})
        if (StringEqualsNoCase(word, w)) return DccWord::Accept;
    for (const char* w : {"CHAT", "SSLCHAT", "SCHAT"})
        if (StringEqualsNoCase(word, w)) return DccWord::Chat;
    return StringEqualsNoCase(word, "INDIRECT") ? DccWord::Indirect : DccWord::Other;
}

// The offer is not taken; the user sees why.
uint32_t Refuse(WindowRecord* window, const UserAddress& sender, const std::string& word,
                const wchar_t* reason) {
    PrintInfo(window, DisplayText().Bold().Dot().Bold().Text(L" DCC " + ServerText(word, CP_UTF8) +
                                                             L" from " + ServerText(sender.Nick, CP_UTF8) +
                                                             L" refused: " + reason));
    return 1;
}

bool IncomingEventTakes(const IrcMessage& message, WindowRecord* window) {
    std::string result;
    return RunEventScript("On_DCC_Incoming", window, window, message.Text, result) == 1;
}

// The words the peer subsystem reads: prefix, PRIVMSG, target, "DCC", the word, then arguments.
std::vector<std::string> OfferWords(const IrcMessage& message, const std::vector<std::string>& arguments) {
    std::vector<std::string> words{":" + message.Prefix, message.Command, message.Param(0), "DCC"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return words;
}

// What every offer about a file checks first: the incoming-event script may take it, one with too
// few arguments is not handled, and its file name is made a plain name or the offer refused.
// Nothing when the offer goes on.
std::optional<uint32_t> CheckFileOffer(const IrcMessage& message, std::vector<std::string>& arguments,
                                       size_t fewest, WindowRecord* window) {
    if (IncomingEventTakes(message, window)) return 1;
    if (arguments.size() < fewest) return 0;
    arguments[1] = PlainOfferFileName(arguments[1]);
    if (arguments[1].empty()) return Refuse(window, message.Sender, arguments[0], L"bad file name");
    return std::nullopt;
}

uint32_t FileOffer(const IrcMessage& message, std::vector<std::string> arguments, WindowRecord* window) {
    if (const std::optional<uint32_t> handled = CheckFileOffer(message, arguments, 5, window))
        return *handled;
    const UserAddress& sender = message.Sender;
    const std::string& word = arguments[0];
    const bool passive = arguments[2] == "0" && arguments[3] == "0";
    if (!passive) {
        OfferAddress address;
        if (!ParseOfferAddress(arguments[2], address)) return Refuse(window, sender, word, L"bad address");
        if (!ParseOfferPort(arguments[3])) return Refuse(window, sender, word, L"bad port");
        arguments[2] = address.Text;
    }
    uint64_t size = 0;
    // An empty file is a valid offer.
    if (arguments[4] != "0" && !ParseOfferSize(arguments[4], size))
        return Refuse(window, sender, word, L"bad size");
    HandleDccSendOffer(window, OfferWords(message, arguments), sender, 0,
                       {.AutoAccept = Settings::AutoAcceptFiles()});
    return 1;
}

bool IsDecimal(const std::string& text) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

uint32_t ResumeAccepted(const IrcMessage& message, std::vector<std::string> arguments, WindowRecord* window) {
    if (const std::optional<uint32_t> handled = CheckFileOffer(message, arguments, 4, window))
        return *handled;
    const UserAddress& sender = message.Sender;
    const std::string& word = arguments[0];
    if (arguments[2] != "0" && !ParseOfferPort(arguments[2]))
        return Refuse(window, sender, word, L"bad port");
    uint64_t position = 0;
    if (!IsDecimal(arguments[3]) || (arguments[3] != "0" && !ParseOfferSize(arguments[3], position)))
        return Refuse(window, sender, word, L"bad position");
    HandleDccSendOffer(window, OfferWords(message, arguments), sender, 1);
    return 1;
}

uint32_t ChatOffer(const IrcMessage& message, const std::vector<std::string>& arguments,
                   WindowRecord* window) {
    MarshalLineToGui(window, message);
    const UserAddress& sender = message.Sender;
    if (IncomingEventTakes(message, window)) return 1;
    if (arguments.size() < 4) return 0;
    const std::string& word = arguments[0];
    OfferAddress address;
    if (!ParseOfferAddress(arguments[2], address)) return Refuse(window, sender, word, L"bad address");
    const uint32_t port = ParseOfferPort(arguments[3]);
    if (!port) return Refuse(window, sender, word, L"bad port");
    const bool tls = StringEqualsNoCase(word, "SSLCHAT") || StringEqualsNoCase(word, "SCHAT");

    const std::wstring question = std::wstring(GetLangString(kChatOfferQuestion)) + L"\r\n\r\n" +
                                  NarrowToWide(sender.Nick) + L" (" + NarrowToWide(sender.User) + L"@" +
                                  NarrowToWide(sender.Host) + L") " + NarrowToWide(address.Text) + L":" +
                                  std::to_wstring(port) + L" [" + (tls ? L"SSL" : L"") + L"]";
    const ServerConnection* connection = window->Connection;
    if (AppMessageBox(MainWindow.load(), question.c_str(), L"Brindlex", MB_YESNO, MB_ICONQUESTION) == IDNO)
        return 1;
    // The question ran the interface thread's messages: the server window may have closed.
    if (!IsWindowRecordListed(window) || window->Connection != connection) return 1;
    WindowRecord* chat = OpenChatWindow(window, kDccChatWindow, sender.Nick, 0);
    if (!chat) return 1;
    DccChatSetup setup;
    setup.LocalName = window->Connection ? window->Connection->OwnNick : std::string();
    setup.PeerName = sender.Nick;
    setup.Direction = 1;
    setup.UseTls = tls ? 1 : 0;
    setup.Port = port;
    setup.IsIPv6 = address.IsIPv6 ? 1 : 0;
    setup.PeerHost = address.Text;
    StartDccChatThread(chat, setup);
    return 1;
}

// The receiver of our passive offer says where to connect.
uint32_t Indirect(const std::vector<std::string>& arguments, WindowRecord* window,
                  const UserAddress& sender) {
    if (arguments.size() < 3) return 0;
    if (!HasPendingSend(sender.Nick)) return 1;
    OfferAddress address;
    if (!ParseOfferAddress(arguments[1], address))
        return Refuse(window, sender, arguments[0], L"bad address");
    const uint32_t port = ParseOfferPort(arguments[2]);
    if (!port) return Refuse(window, sender, arguments[0], L"bad port");
    PendingSend send;
    if (!TakePendingSend(sender.Nick, send)) return 1;
    StartTransferProgram(
        SendOutCommandLine(ProgramFolder, address.Text, port, address.IsIPv6, send.Protocol, send.Path));
    return 1;
}

} // namespace

std::vector<std::string> SplitDccArguments(const std::string& body) {
    std::vector<std::string> arguments;
    size_t at = body.find(' '); // after "DCC"
    const auto skipBlanks = [&] {
        while (at < body.size() && body[at] == ' ') ++at;
    };
    if (at == std::string::npos) return arguments;
    for (skipBlanks(); at < body.size(); skipBlanks()) {
        size_t end;
        if (arguments.size() == 1 && body[at] == '"') {
            end = body.find('"', at + 1);
            arguments.push_back(
                body.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1));
            at = end == std::string::npos ? body.size() : end + 1;
            continue;
        }
        end = body.find(' ', at);
        arguments.push_back(body.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? body.size() : end;
    }
    return arguments;
}

int32_t HandleDccRequest(const IrcMessage& message, const std::string& body, WindowRecord* window) {
    std::vector<std::string> arguments = SplitDccArguments(body);
    const DccWord kind = arguments.empty() ? DccWord::Other : Classify(arguments[0]);
    if (kind == DccWord::Other) return kNotDccOffer;
    // An offer to a channel is nobody's offer: it stays text.
    const ServerConnection* connection = window->Connection;
    if (!connection || !IsOwnNick(*connection, message.Param(0))) return 0;
    switch (kind) {
        case DccWord::File: return static_cast<int32_t>(FileOffer(message, arguments, window));
        case DccWord::Accept: return static_cast<int32_t>(ResumeAccepted(message, arguments, window));
        case DccWord::Chat: return static_cast<int32_t>(ChatOffer(message, arguments, window));
        case DccWord::Indirect: return static_cast<int32_t>(Indirect(arguments, window, message.Sender));
        default: return kNotDccOffer;
    }
}
