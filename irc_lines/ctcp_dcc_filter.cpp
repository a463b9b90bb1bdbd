#include "irc_lines/ctcp_dcc_filter.h"

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
#include "core/config_values.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"
#include "core/client_services.h"

#include <cwchar>

namespace {

// Erroneous or taken nick while registering: the alternative nick once, then the user's choice.
uint32_t NickRefused(WindowRecord* window, ServerConnection& connection) {
    if (connection.StartupDone || connection.Registered) return 0;
    if (!connection.AltNickTried) {
        connection.AltNickTried = 1;
        std::string alternative = ReadConfigText("Cfg\\Options1", "Alternative_Nick", "");
        if (alternative.size() > 99) alternative.resize(99);
        if (!alternative.empty()) {
            SendServerLine("NICK " + alternative + "\r\n", window, 0);
            return 1;
        }
    }
    char word[9] = {};
    MakeRandomWord(word);
    wchar_t text[1000] = {};
    const std::wstring random = NarrowToWide(std::string(word));
    wcsncpy(text, random.c_str(), 999);
    PromptText(nullptr, L"", GetLangString(9), text, 1000, 10);
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

uint32_t Filter(const std::string& line, WindowRecord* window, const UserAddress& sender) {
    ServerConnection* connection = window ? window->Connection : nullptr;
    if (!connection || line.empty() || line[0] != ':') return 0;
    const ParsedIrcLine parsed = ParseIrcLine(line);
    if (parsed.Command == "432" || parsed.Command == "433") return NickRefused(window, *connection);
    if (parsed.Command == "451") return NotRegistered(window, *connection);
    const bool privmsg = StringEqualsNoCase(parsed.Command, "PRIVMSG");
    if (!privmsg && !StringEqualsNoCase(parsed.Command, "NOTICE")) return 0;
    if (parsed.Params.size() < 2 || !parsed.HasTrailing) return 0;
    std::string body = parsed.Params.back();
    if (body.empty() || body[0] != '\x01') return 0;
    StripCtcpMarkers(body);
    if (StartsWithNoCase(body, "ACTION")) return 0;
    if (!privmsg) return HandleCtcpReply(parsed, body, window, sender);
    if (StartsWithNoCase(body, "DCC ")) {
        // A DCC word this filter does not know is an ordinary CTCP request.
        const int32_t result = HandleDccRequest(line, parsed, body, window, sender);
        if (result != kNotDccOffer) return static_cast<uint32_t>(result);
    }
    return HandleCtcpRequest(line, parsed, body, window, sender);
}

} // namespace

void StripCtcpMarkers(std::string& text) {
    if (!text.empty() && text.back() == '\x01') text.pop_back();
    size_t start = 0;
    if (start < text.size() && text[start] == ':') ++start;
    while (start < text.size() && text[start] == '\x01') ++start;
    text.erase(0, start);
}

ParsedIrcLine ParseIrcLine(const std::string& line) {
    ParsedIrcLine parsed;
    size_t at = 0;
    const auto skipBlanks = [&] {
        while (at < line.size() && line[at] == ' ') ++at;
    };
    const auto token = [&] {
        const size_t end = line.find(' ', at);
        std::string word = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? line.size() : end;
        return word;
    };
    if (!line.empty() && line[0] == ':') {
        ++at;
        parsed.Prefix = token();
    }
    skipBlanks();
    parsed.Command = token();
    for (skipBlanks(); at < line.size(); skipBlanks()) {
        if (line[at] == ':') {
            parsed.Params.push_back(line.substr(at + 1));
            parsed.HasTrailing = true;
            break;
        }
        parsed.Params.push_back(token());
    }
    return parsed;
}

uint32_t HandleCtcpAndDcc(const std::string& line, WindowRecord* window, const UserAddress& sender) {
    try {
        return Filter(line, window, sender);
    } catch (int refusal) {
        return refusal == kForwardedToUiThread ? 1 : 0;
    }
}

void MarshalLineToGui(WindowRecord* window, const std::string& line, const UserAddress& sender) {
    if (OnInterfaceThread()) return;
    ServerConnection* connection = window ? window->Connection : nullptr;
    HWND frame = MainWindow.load();
    if (connection) connection->LastSender = sender;
    auto* block = new ServerLineToGui{window, connection, line, sender};
    if (!frame || !PostMessageW(frame, WM_SERVER_LINE_TO_GUI, reinterpret_cast<WPARAM>(window),
                                reinterpret_cast<LPARAM>(block)))
        delete block;
    throw static_cast<int>(kForwardedToUiThread);
}

void RunServerLineOnInterfaceThread(WPARAM window, LPARAM block) {
    auto* line = reinterpret_cast<ServerLineToGui*>(block);
    if (!line) return;
    try {
        auto* record = reinterpret_cast<WindowRecord*>(window);
        // The window may have closed while the line waited in the queue.
        if (record == line->Window && IsWindowRecordListed(record) && record->Connection == line->Connection)
            HandleCtcpAndDcc(line->Line, record, line->Sender);
    } catch (...) {
    }
    delete line;
}
