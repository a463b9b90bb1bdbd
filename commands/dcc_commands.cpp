// "/dcc" and its family, "/send", "/chat" and its family, and "/tchat": DCC chats and file
// offers to other users.
#include "commands/client_command_handlers.h"

#include "common/data_folders.h"
#include "common/script_number.h"
#include "common/shell_helpers.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "irc_lines/local_addresses.h"
#include "irc_lines/pending_sends.h"
#include "irc_lines/transfer_program.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "core/dcc_connection.h"
#include "core/open_chat_window.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "core/remote_text.h"
#include "commands/command_interpreter.h"

#include <string>

namespace {

// A DCC chat window with its connection, and the chat thread started on it.
void StartDccChat(WindowRecord* server, const std::string& windowName, const DccChatSetup& setup) {
    if (WindowRecord* window = OpenChatWindow(server, kDccChatWindow, windowName))
        StartDccChatThread(window, setup);
}

std::string HostOrderAddress(WindowRecord* window) {
    return std::to_string(ntohl(GetLocalIpAddress(window)));
}

std::string Ipv6Address(WindowRecord* window) {
    std::string address;
    return GetLocalIpv6AddressText(window, address);
}

// The base name a file offer announces; quoted when it holds a blank, so it stays one word.
std::string OfferedName(const std::string& file) {
    const size_t slash = file.find_last_of('\\');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    std::string clean;
    for (char c : name)
        if (c != '"' && static_cast<unsigned char>(c) >= 0x20) clean += c;
    return clean.find(' ') == std::string::npos ? clean : "\"" + clean + "\"";
}

} // namespace

uint64_t DccCommand(const CommandCall& call) {
    if (call.Target && call.Target->Type == kDccChatWindow && !call.Target->Server) return 0;
    const std::string& word = call.Command();
    const std::string& nick = call.Words[1];
    const std::string& kind = call.Words[2];
    bool ipv6 = call.Connection && call.Connection->IsIPv6;
    if (word.size() > 4 && word[4] == '6') ipv6 = true;
    if (word.size() > 4 && word[4] == '4') ipv6 = false;
    const bool indirect = word[1] == 'i' || word[1] == 'I';
    const bool upnp = Settings::UseUpnp();
    const bool chat = StringEqualsNoCase(kind, "chat") || StringEqualsNoCase(kind, "sslchat") ||
                      StringEqualsNoCase(kind, "schat");
    const bool send = StringEqualsNoCase(kind, "send") || StringEqualsNoCase(kind, "tsend");
    if (!chat && !send) return 1;
    const std::string file = call.Rest(3);
    const std::wstring path = NarrowToWide(file);
    const uint64_t size = send ? GetFileSizeByName(path.c_str()) : 0;
    if (send && size == 0) RefuseCommand();
    const uint32_t port = indirect ? 0 : PickListenPort(ipv6 ? 1 : 0);

    if (chat) {
        DccChatSetup setup;
        setup.IsIPv6 = ipv6 ? 1 : 0;
        setup.Port = port;
        setup.UseTls = StringEqualsNoCase(kind, "chat") ? 0 : 1;
        setup.LocalName = call.Connection ? call.Connection->OwnNick : std::string();
        setup.PeerName = nick;
        StartDccChat(call.ConnectionWindow, nick, setup);
        const std::string address =
            ipv6 ? Ipv6Address(call.ConnectionWindow) : HostOrderAddress(call.ConnectionWindow);
        SendCommandLine("PRIVMSG " + nick +
                            " :\x01"
                            "DCC " +
                            kind + " CHAT " + address + " " + std::to_string(port) + " \x01",
                        call.ConnectionWindow);
        return 1;
    }

    const bool acknowledged = StringEqualsNoCase(kind, "send");
    const std::wstring protocol = acknowledged ? L"dcc" : L"tdcc";
    std::string address = "0";
    if (!indirect)
        address = ipv6 ? Ipv6Address(call.ConnectionWindow) : HostOrderAddress(call.ConnectionWindow);
    const std::string offer = "PRIVMSG " + nick +
                              " :\x01"
                              "DCC " +
                              (acknowledged ? "SEND " : "TSEND ") + OfferedName(file) + " " + address + " " +
                              std::to_string(port) + " " + std::to_string(size) + "\x01";
    if (indirect) {
        AddPendingSend({nick, path, protocol});
        SendCommandLine(offer, call.ConnectionWindow);
        return 1;
    }
    // A peer may answer the offer at once: it leaves once qx listens, from the interface thread,
    // to a window that is still there.
    WindowRecord* window = call.ConnectionWindow;
    StartListeningTransferProgram(SendInCommandLine(ProgramFolder, port, ipv6, upnp, protocol, path),
                                  static_cast<uint16_t>(port), ipv6, [window, offer] {
                                      if (IsWindowRecordListed(window)) SendCommandLine(offer, window);
                                  });
    return 1;
}

uint64_t SendFileCommand(const CommandCall& call) {
    MarkedLine line;
    line.Own("/dcc ")
        .Marked(call.Words[1], call.WordMarks(1))
        .Own(call.CommandIs("/tsend") ? " tsend " : " send ")
        .Marked(call.Rest(2), call.RestMarks(2));
    const LineMarksScope marks(line.Text, line.Marks);
    return commands::ExecuteCommand(line.Text.c_str(), call.ConnectionWindow, nullptr, nullptr);
}

uint64_t ChatCommand(const CommandCall& call) {
    MarkedLine line;
    line.Own("/dcc ").Marked(call.Words[1], call.WordMarks(1)).Own(" " + call.Command().substr(1));
    const LineMarksScope marks(line.Text, line.Marks);
    return commands::ExecuteCommand(line.Text.c_str(), call.ConnectionWindow, nullptr, nullptr);
}

uint64_t TestChatCommand(const CommandCall& call) {
    DccChatSetup setup;
    setup.LocalName = "Local";
    setup.PeerName = "Remote";
    std::string port = call.Words.back();
    if (call.Words.size() > 2) {
        setup.Direction = 1;
        setup.PeerHost = call.Words[1];
    }
    if (!port.empty() && port[0] == '+') {
        setup.UseTls = 1;
        port.erase(0, 1);
    }
    if (!port.empty() && port[0] == '*') {
        setup.IsIPv6 = 1;
        port.erase(0, 1);
    }
    setup.Port = static_cast<uint32_t>(ScriptValueToInt64(port));
    StartDccChat(call.ConnectionWindow, "TCHAT", setup);
    return 1;
}
