// "/server", "/reconnect", "/disconnect", "/quit", "/away", "/raw", "/emulateserver", "/lag"
// and "/prefix".
#include "commands/command_handlers.h"
#include "commands/command_text.h"
#include "commands/server_address.h"
#include "common/app_state.h"
#include "irc/line_dispatch.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "core/frame_message_ids.h"
#include "core/open_chat_window.h"
#include "core/record_guards.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "core/client_services.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"
#include "core/settings.h"
#include "markup/markup_codes.h"

namespace {

const char kPlaceholderEMail[] = "user@brindlex.example";

// The server window whose record owns the connection window's connection.
WindowRecord* OwningServerWindow(WindowRecord* window) {
    if (!window) return nullptr;
    return window->Connection ? window : window->Server;
}

bool IsLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What "/server" fills into a new connection beyond the address.
struct Identity {
    std::string Nick;
    std::string EMail;
    std::string FullName;
    std::string Password;
};

// The settings' defaults; a port, nick, e-mail, full name and password given as further words
// take their place.
Identity ReadIdentity(const CommandCall& call, ServerAddress& address) {
    Identity identity;
    identity.Nick = Settings::DefaultNick();
    if (identity.Nick.empty()) identity.Nick = "TestUser";
    identity.EMail = Settings::DefaultEMail();
    if (identity.EMail.empty()) identity.EMail = kPlaceholderEMail;
    identity.FullName = Settings::DefaultName();
    if (identity.FullName.empty()) identity.FullName = "test";
    const auto& words = call.Words;
    if (words.size() > 2 && !ParsePortWord(words[2], address.Port, address.UseTls)) RefuseCommand();
    if (words.size() > 3) identity.Nick = words[3];
    if (words.size() > 4) identity.EMail = words[4];
    if (words.size() > 5) identity.FullName = words[5];
    if (words.size() > 6) identity.Password = words[6];
    return identity;
}

} // namespace

uint64_t ServerCommand(const CommandCall& call) {
    if (call.Words.size() == 1) {
        PostFrameCommand(ID_CONNECT);
        return 1;
    }
    ServerAddress address;
    if (!ParseServerAddress(call.Words[1], address)) RefuseCommand();
    const Identity identity = ReadIdentity(call, address);
    XmlWriteProfileString(Settings::Keys::StartupChannel.Section, Settings::Keys::StartupChannel.Key,
                          address.StartupChannel.c_str(), nullptr, UserConfigDocument);

    WindowRecord* window = OpenChatWindow(nullptr, kServerWindow, address.Host, 1);
    if (!window || !window->Connection) return 0;
    ServerConnection& connection = *window->Connection;
    connection.Host = address.Host;
    connection.Port = address.Port;
    connection.UseTls = address.UseTls;
    connection.Nick = identity.Nick;
    connection.EMail = identity.EMail;
    connection.UserName = identity.EMail.substr(0, identity.EMail.find('@'));
    connection.FullName = identity.FullName;
    connection.Password = identity.Password;
    connection.UserField2 = "Brindlex";
    connection.UserField3 = "Brindlex";
    SetWindowRecordName(window, address.Host);
    connection.ReconnectCounter = 0;
    connection.PrefixCharacters.clear();
    connection.ExtraList1.clear();
    connection.ExtraList2.clear();
    StartServerConnection(window);
    return 1;
}

uint64_t ReconnectCommand(const CommandCall& call) {
    if (call.Words.size() == 1) {
        PostFrameCommand(ID_SERVER_RECONNECT);
        return 1;
    }
    WindowRecord* server = OwningServerWindow(call.ConnectionWindow);
    if (!server || !call.Connection) RefuseCommand();
    call.Connection->Host = call.Words[1];
    uint16_t port = 0;
    uint8_t useTls = 0;
    if (call.Words.size() > 2 && ParsePortWord(call.Words[2], port, useTls)) call.Connection->Port = port;
    StartServerConnection(server);
    return 1;
}

uint64_t DisconnectCommand(const CommandCall& call) {
    RequireWindow(call.Target);
    if (call.Target->Type == kDccChatWindow) {
        if (call.Target->Dcc) OnDccChatDisconnected(call.Target, call.Target->Dcc);
    } else {
        PostFrameCommand(ID_SERVER_DISCONNECT);
    }
    return 1;
}

uint64_t QuitCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    if (call.Connection) {
        call.Connection->ReconnectCounter = 0;
        call.Connection->ReconnectPending = 0;
    }
    const std::string reason =
        call.Words.size() > 1 ? DropLeadingColon(call.Rest(1)) : Settings::DefaultQuitReason();
    SendCommandLine("QUIT :" + reason, call.ConnectionWindow);
    return 1;
}

uint64_t AwayCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    SendCommandLine("AWAY :" + call.Rest(1), call.ConnectionWindow);
    return 1;
}

uint64_t RawCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    SendCommandLine(call.Rest(1), call.ConnectionWindow);
    return 1;
}

uint64_t EmulateServerCommand(const CommandCall& call) {
    RequireWindow(call.ConnectionWindow);
    HandleServerLine(call.Rest(1), call.ConnectionWindow);
    return 1;
}

uint64_t LagCommand(const CommandCall& call) {
    const ServerConnection* connection = call.Connection;
    if (!connection || !connection->Socket.load()) return 1;
    std::wstring text = std::wstring(kSymbolDot) + L" Lag: ";
    text += connection->LagProbePending ? L"[Not Responding]" : std::to_wstring(connection->Lag) + L" ms";
    PrintToWindow(kInformationLine, call.ConnectionWindow, text);
    return 1;
}

uint64_t PrefixCommand(const CommandCall& call) {
    if (!call.Connection) RefuseCommand();
    const std::string& word = call.Words[1];
    char c = 0;
    bool add = true;
    if (word.size() == 2 && (word[0] == '+' || word[0] == '-')) {
        c = word[1];
        add = word[0] == '+';
    } else if (word.size() == 1) {
        c = word[0];
    } else {
        return 1;
    }
    if (IsLetterOrDigit(c)) return 1;
    std::string& prefixes = call.Connection->PrefixCharacters;
    const size_t at = prefixes.find(c);
    if (add == (at != std::string::npos)) return 1;
    RequireWindow(call.Target);
    if (add)
        prefixes += c;
    else
        prefixes.erase(at, 1);
    SendCommandLine("NAMES " + call.Target->Name, call.Target);
    return 1;
}
