#include "irc_lines/ctcp_dcc_filter.h"

#include "common/lang_string_ids.h"
#include "core/remote_text.h"
#include "common/app_state.h"
#include "common/lang_strings.h"
#include "common/refusal.h"
#include "common/text_compare.h"
#include "common/text_format.h"
#include "common/xstring.h"
#include "irc_lines/ctcp_requests.h"
#include "irc_lines/dcc_requests.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "core/settings.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"
#include "core/client_services.h"

#include <cwchar>

namespace {

// Erroneous or taken nick while registering: the alternative nick once, then the user's choice,
// asked on the interface thread (the connection thread never opens a dialog).
uint32_t NickRefused(const IrcMessage& message, WindowRecord* window, ServerConnection& connection) {
    if (connection.StartupDone || connection.Registered) return 0;
    if (!connection.AltNickTried) {
        connection.AltNickTried = 1;
        std::string alternative = Settings::AlternativeNick();
        if (alternative.size() > 99) alternative.resize(99);
        if (!alternative.empty()) {
            SendServerLine("NICK " + alternative + "\r\n", window, 0);
            return 1;
        }
    }
    MarshalLineToGui(window, message);
    // While the prompt is open its dialog runs the interface thread's messages, and with them
    // the next refusals: the answer to the open prompt is the nick that goes.
    static bool prompting = false;
    if (prompting) return 1;
    prompting = true;
    char word[9] = {};
    MakeRandomWord(word);
    wchar_t text[1000] = {};
    const std::wstring random = NarrowToWide(std::string(word));
    wcsncpy(text, random.c_str(), 999);
    PromptText(nullptr, L"", GetLangString(kNickInUsePrompt), text, 1000, 10);
    prompting = false;
    // The prompt ran the interface thread's messages: the server window may have closed, or its
    // connection registered or started anew meanwhile.
    if (!IsWindowRecordListed(window) || window->Connection != &connection || connection.Registered) return 1;
    std::string nick = WideToNarrow(std::wstring(text), DefaultCodePage.load());
    nick = nick.substr(0, nick.find(' '));
    if (nick.empty()) nick = word;
    SendServerLine("NICK " + nick + "\r\n", window, 0);
    return 1;
}

uint32_t NotRegistered(WindowRecord* window, const ServerConnection& connection) {
    SendServerLine("USER " + connection.UserName + " " + connection.UserField2 + " " + connection.UserField3 +
                       " :" + connection.FullName + "\r\n",
                   window, 0);
    return 1;
}

uint32_t Filter(const IrcMessage& message, WindowRecord* window) {
    ServerConnection* connection = window ? window->Connection : nullptr;
    if (!connection || !message.HasPrefix()) return 0;
    const std::string& command = message.Command;
    if (command == "432" || command == "433") return NickRefused(message, window, *connection);
    if (command == "451") return NotRegistered(window, *connection);
    const bool privmsg = StringEqualsNoCase(command, "PRIVMSG");
    if (!privmsg && !StringEqualsNoCase(command, "NOTICE")) return 0;
    if (message.Params.size() < 2 || !message.HasTrailing) return 0;
    std::string body = message.Params.back();
    if (body.empty() || body[0] != '\x01') return 0;
    StripCtcpMarkers(body);
    if (StartsWithNoCase(body, "ACTION")) return 0;
    if (!privmsg) return HandleCtcpReply(message, body, window);
    if (StartsWithNoCase(body, "DCC ")) {
        // A DCC word this filter does not know is an ordinary CTCP request.
        const int32_t result = HandleDccRequest(message, body, window);
        if (result != kNotDccOffer) return static_cast<uint32_t>(result);
    }
    return HandleCtcpRequest(message, body, window);
}

} // namespace

void StripCtcpMarkers(std::string& text) {
    if (!text.empty() && text.back() == '\x01') text.pop_back();
    size_t start = 0;
    if (start < text.size() && text[start] == ':') ++start;
    while (start < text.size() && text[start] == '\x01') ++start;
    text.erase(0, start);
}

uint32_t HandleCtcpAndDcc(const IrcMessage& message, WindowRecord* window) {
    try {
        return Filter(message, window);
    } catch (int refusal) {
        return refusal == kForwardedToUiThread ? 1 : 0;
    }
}

void MarshalLineToGui(WindowRecord* window, const IrcMessage& message) {
    if (OnInterfaceThread()) return;
    ServerConnection* connection = window ? window->Connection : nullptr;
    HWND frame = MainWindow.load();
    if (connection) connection->LastSender = message.Sender;
    auto* block = new ServerLineToGui{window, connection, message};
    if (!frame || !PostMessageW(frame, WM_SERVER_LINE_TO_GUI, reinterpret_cast<WPARAM>(window),
                                reinterpret_cast<LPARAM>(block)))
        delete block;
    throw static_cast<int>(kForwardedToUiThread);
}

void RunServerLineOnInterfaceThread(WPARAM window, LPARAM block) {
    auto* line = reinterpret_cast<ServerLineToGui*>(block);
    if (!line) return;
    RemoteTextScope remote;
    try {
        auto* record = reinterpret_cast<WindowRecord*>(window);
        // The window may have closed while the line waited in the queue.
        if (record == line->Window && IsWindowRecordListed(record) && record->Connection == line->Connection)
            HandleCtcpAndDcc(line->Message, record);
    } catch (...) {
    }
    delete line;
}
