#include "irc_lines/numeric_replies.h"

#include "common/app_state.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/text_compare.h"
#include "common/text_format.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc/connection_messages.h"
#include "irc_lines/dns_lookup.h"
#include "irc_lines/line_handler_support.h"
#include "irc_lines/local_addresses.h"
#include "irc/remembered_user.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "core/settings.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"
#include "core/client_services.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"
#include "core/remote_text.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <cstdlib>

namespace {

// Bold dot that opens each WHOIS and AWAY reply line.
std::wstring ReplyHead() {
    return DisplayText().Bold().Dot().Bold().Text(L" ");
}

void PrintReply(ServerLine& line, const std::wstring& text, WindowRecord* window = nullptr) {
    PrintInfo(window ? window : line.Window, text);
}

std::string UntilEquals(const std::string& text) {
    return text.substr(0, text.find('='));
}

bool Welcome(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    connection.OwnNick = line.Message.Param(0);
    connection.ModeRules.Reset();
    SetWindowRecordName(line.Window, line.Message.Prefix);
    connection.Registered = 1;
    return false;
}

bool ServerSupports(ServerLine& line) {
    ChannelModeRules rules = line.Connection->ModeRules.Get();
    if (ReadServerModeTokens(line.Message, rules)) line.Connection->ModeRules.Set(rules);
    return false;
}

void SilenceEntry(ServerLine& line, const char* command) {
    const std::string entry = line.Message.ParamsText(1);
    std::wstring text = DisplayText().Bold().Dot().Text(L" " + ServerText(entry) + L" ");
    if (SafeInLinkCommand(entry)) {
        LinkCommand removal(ProgramCommand(L"/raw"));
        removal.Arg(NarrowToWide(command)).Arg(L"-" + ServerText(entry));
        text +=
            DisplayText().Text(L"[").Link(L"Remove", GetLangString(kRemoveLabel), removal).Text(L"] ").str();
    }
    PrintReply(line, DisplayText().Text(text).Bold());
}

bool SilenceList(ServerLine& line) {
    SilenceEntry(line, "silence");
    return true;
}

bool AcceptList(ServerLine& line) {
    SilenceEntry(line, "accept");
    return true;
}

bool SilenceEnd(ServerLine& line) {
    PrintReply(line, DisplayText().Heading(L"(Silence end)"));
    return true;
}

// The away text (after the own nick and the away nick).
bool Away(ServerLine& line) {
    PrintReply(line, ReplyHead() + std::wstring(L"AWAY ") + ServerText(line.Message.ParamsText(2)));
    return true;
}

// Nick, user, host, '*', full name.
bool WhoisUser(ServerLine& line) {
    const IrcMessage& m = line.Message;
    PrintReply(line, ReplyHead() + DisplayText().Bold(ServerText(m.Param(1))).str() + L" (" +
                         ServerText(m.Param(2)) + L"!" + ServerText(m.Param(3)) + L") (" +
                         ServerText(m.Param(5)) + L")");
    return true;
}

bool WhoisServer(ServerLine& line) {
    PrintReply(line, ReplyHead() + std::wstring(L"@ ") + ServerText(line.Message.Param(2)));
    return true;
}

bool WhoisOperator(ServerLine& line) {
    PrintReply(line, ReplyHead() + ServerText(line.Message.ParamsText(1)));
    return true;
}

// Nick, seconds idle, signed on.
bool WhoisIdle(ServerLine& line) {
    const IrcMessage& m = line.Message;
    PrintReply(line, ReplyHead() + std::to_wstring(static_cast<uint32_t>(std::atoi(m.Param(2).c_str()))) +
                         L"'' delay, (Signed on " + FormatUnixTime(std::atoi(m.Param(3).c_str())) + L")");
    return true;
}

bool WhoisEnd(ServerLine& line) {
    PrintReply(line, DisplayText().Heading(L"WHOIS"));
    return true;
}

bool WhoisChannels(ServerLine& line) {
    PrintReply(line, ReplyHead() + std::wstring(L"in ") + ServerText(line.Message.Param(2)));
    return true;
}

bool ChannelModes(ServerLine& line) {
    WindowRecord* window = FindConnectionWindow(line.Message.Param(1), line.Connection);
    if (!window) return false;
    SetWindowRecordModes(window, line.Message.ParamsText(2));
    UpdateWindowTitle(window);
    return true;
}

// 333: channel, setter, time; 329: channel, time.
bool ChannelInfo(ServerLine& line) {
    const IrcMessage& m = line.Message;
    WindowRecord* window = FindConnectionWindow(m.Param(1), line.Connection);
    if (!window) return false;
    const std::wstring time = FormatUnixTime(std::atoi(m.Param(m.Params.size() > 3 ? 3 : 2).c_str()));
    const std::wstring name = ServerText(WindowRecordName(window), CP_UTF8);
    const std::wstring text = line.Numeric == 333
                                  ? LangText(kTopicSetByText, {name, ServerText(m.Param(2)), time})
                                  : LangText(kChannelCreatedText, {name, time});
    if (window->TopicShown) return true;
    PrintInfo(window, text);
    window->TopicShown = 1;
    return true;
}

bool ChannelTopic(ServerLine& line) {
    WindowRecord* window = FindConnectionWindow(line.Message.Param(1), line.Connection);
    if (!window) return false;
    const std::string topic = line.Message.Param(2);
    SetWindowRecordTopic(window, topic);
    PrintReply(line,
               std::wstring(kSymbolDot) + L" " + ServerText(WindowRecordName(window), CP_UTF8) + L" TOPIC: " +
                   ServerText(topic),
               window);
    UpdateWindowTitle(window);
    return true;
}

bool JoinRefused(ServerLine& line) {
    const wchar_t* mode = line.Numeric == 471   ? L"(+l)"
                          : line.Numeric == 473 ? L"+i"
                          : line.Numeric == 474 ? L"(+b)"
                                                : L"(+k)";
    // Most servers name the mode in their text already; it is said once.
    std::wstring text = ServerText(line.Message.ParamsText(1));
    if (text.find(mode) == std::wstring::npos) text += L" " + std::wstring(mode);
    PrintReply(line, ReplyHead() + text);
    return true;
}

bool NoSuchNick(ServerLine& line) {
    WindowRecord* query = FindConnectionWindow(line.Message.Param(1), line.Connection);
    if (!query || query->Type != kQueryWindow) return false;
    if (!query->NoSuchNickShown) line.DisplayWindow = query;
    query->NoSuchNickShown = 1;
    return false;
}

// The own host as the server sees it (and what the own user is), or another user's address for
// the remembered users and the kick dialog's mask list. The first reply of the list counts:
// nick, an operator's '*', '=', a sign, user, '@', host.
bool UserHost(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    const std::string& replies = line.Message.Param(1);
    const std::string word = replies.substr(0, replies.find(' '));
    const size_t at = word.find('@');
    if (at == std::string::npos) return true;
    const std::string host = word.substr(at + 1);
    const size_t equals = word.find('=');
    const bool hasUser = equals != std::string::npos && equals < at && at >= equals + 2;
    const std::string user = hasUser ? word.substr(equals + 2, at - equals - 2) : std::string();

    if (IsOwnNick(connection, UntilEquals(word.substr(0, word.find('*'))))) {
        if (hasUser) connection.ReportedUser = user;
        if (host.find(':') != std::string::npos) {
            connection.ReportedIPv6 = host;
        } else {
            connection.ReportedIPv4 = host;
            StartDnsLookup(line.Window, NarrowToWide(host, CP_UTF8), {kDnsTypeA, kDnsTypeAaaa},
                           static_cast<int32_t>(1000 + GetWindowRecordIndex(line.Window)), 0, nullptr);
        }
        connection.ReportedHost = host;
        connection.LocalIPv4 = FirstLocalHostAddress();
        ShowConnectionAddresses(line.Window);
        return true;
    }
    if (!hasUser) return true;
    UserAddress address{UntilEquals(word), user, host};
    {
        std::lock_guard<std::mutex> lock(connection.RememberedUsersMutex);
        for (RememberedUser& entry : connection.RememberedUsers) {
            if (entry.NickPattern != "*" && !WildcardMatch(address.Nick, entry.NickPattern, false)) continue;
            entry.NickPattern = address.Nick;
            entry.IdentPattern = address.User;
            entry.DomainPattern = address.Host;
            address.Nick.clear();
            break;
        }
    }
    if (!address.Nick.empty())
        RememberUser(line.Window, address);
    else
        address.Nick = UntilEquals(word);
    HWND dialog = connection.MaskDialog;
    if (dialog && IsWindow(dialog)) {
        HWND masks = GetDlgItem(dialog, IDC_KICK_MASK);
        SendMessageW(masks, CB_RESETCONTENT, 0, 0);
        FillAddressMaskList(masks, line.Window, address);
    }
    return true;
}

// The notify check's answer: who came online and who left; the lag is the time since the check.
bool NotifyReply(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    if (connection.LagProbePending) {
        connection.Lag = GetTickCount() - connection.LastNotifyTick;
        connection.LagProbePending = 0;
    }
    connection.LagReported = 0;
    std::vector<std::string> online;
    SplitQuoted(online, line.Message.Param(1), " ", false);
    std::string result;
    auto& known = connection.NotifyOnline;
    for (size_t i = known.size(); i-- > 0;) {
        bool found = false;
        for (size_t j = online.size(); j-- > 0;) {
            if (!StringEqualsNoCase(online[j], known[i])) continue;
            online.erase(online.begin() + static_cast<std::ptrdiff_t>(j));
            found = true;
            break;
        }
        if (found) continue;
        const std::string nick = known[i];
        known.erase(known.begin() + static_cast<std::ptrdiff_t>(i));
        const std::wstring text = LangText(kNickOfflineText, {ServerText(nick, CP_UTF8)});
        if (RunEventScript("On_Notify_Offline", line.Window, line.Window, nick, result) != 1)
            PrintInfo(line.Window, text);
        if (WindowRecord* window = FindConnectionWindow(nick, &connection)) PrintInfo(window, text);
    }
    for (const std::string& nick : online) {
        known.push_back(nick);
        if (RunEventScript("On_Notify_Online", line.Window, line.Window, nick, result) != 1)
            PrintInfo(line.Window,
                      LangText(kNickOnlineText, {ServerText(nick, CP_UTF8), ServerText(nick, CP_UTF8)}));
    }
    return true;
}

bool EndOfMotd(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    if (connection.StartupDone) return false;
    connection.StartupDone = 1;
    if (connection.OwnNick.empty()) connection.OwnNick = line.Message.Param(0);
    ExecuteInputText(line.Window, L"/UTF8");
    std::vector<std::wstring> perform;
    SplitStringW(perform, connection.PerformText, kSplitUnlimited, L"\r\n");
    {
        // The perform text is the user's own, run as typed input.
        const OwnTextScope own;
        for (const std::wstring& command : perform)
            if (!command.empty()) ExecuteInputText(line.Window, command);
    }
    SendServerLine("USERHOST " + connection.OwnNick + "\r\n", line.Window, 0);
    std::string result;
    RunEventScript("On_Startup", line.Window, line.Window, std::string(), result);
    const std::string channel = Settings::StartupChannel();
    if (!channel.empty()) SendServerLine("JOIN " + channel + "\r\n", line.Window, 0);
    XmlWriteProfileString(Settings::Keys::StartupChannel.Section, Settings::Keys::StartupChannel.Key, "",
                          nullptr, UserConfigDocument);
    if (const SOCKET ident = connection.IdentSocket.exchange(0)) closesocket(ident);
    if (connection.ReconnectCounter != 0) connection.ReconnectCounter = 10;
    HWND frame = MainWindow.load();
    if (frame && Settings::JoinBoxOnConnect()) PostMessageW(frame, WM_COMMAND, ID_SERVER_JOIN, 0);
    if (frame) PostMessageW(frame, WM_TIMER, ISON_TIMER_ID, 0);
    UpdateWindowTitle(line.Window);
    SetWindowTabCaption(line.Window);
    return false;
}

} // namespace

std::wstring LangText(int32_t id, std::initializer_list<std::wstring> arguments) {
    return FillLangText(GetLangString(id), arguments);
}

// Each row with the fewest parameters its handler reads (the first is the own nick).
void RegisterNumericReplyHandlers() {
    SetNumericHandler(1, Welcome, 1);
    SetNumericHandler(5, ServerSupports, 2);
    SetNumericHandler(271, SilenceList, 2);
    SetNumericHandler(272, SilenceEnd, 0);
    SetNumericHandler(281, AcceptList, 2);
    SetNumericHandler(301, Away, 3);
    SetNumericHandler(302, UserHost, 2);
    SetNumericHandler(303, NotifyReply, 2);
    SetNumericHandler(311, WhoisUser, 6);
    SetNumericHandler(312, WhoisServer, 3);
    SetNumericHandler(313, WhoisOperator, 2);
    SetNumericHandler(317, WhoisIdle, 4);
    SetNumericHandler(318, WhoisEnd, 0);
    SetNumericHandler(319, WhoisChannels, 3);
    SetNumericHandler(324, ChannelModes, 3);
    SetNumericHandler(329, ChannelInfo, 3);
    SetNumericHandler(332, ChannelTopic, 3);
    SetNumericHandler(333, ChannelInfo, 4);
    SetNumericHandler(376, EndOfMotd, 1);
    SetNumericHandler(401, NoSuchNick, 2);
    for (int32_t refusal : {471, 473, 474, 475}) SetNumericHandler(refusal, JoinRefused, 2);
}
