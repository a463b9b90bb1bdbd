#include "irc_lines/channel_events.h"

#include "common/text_compare.h"
#include "common/text_split.h"
#include "common/utf8_sequence.h"
#include "common/xstring.h"
#include "irc_lines/channel_nicks.h"
#include "irc_lines/line_handler_support.h"
#include "irc/remembered_user.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc_lines/user_list_match.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "core/client_services.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

namespace {

// Longer than any server allows a channel name (RFC 2812 allows 50, servers at most a few hundred).
constexpr size_t kMaxListedChannelName = 200;

void Send(const std::string& text, WindowRecord* server) {
    SendServerLine(text + "\r\n", server, 0);
}

void ApplyAutoLists(const std::string& channel, const UserAddress& sender, WindowRecord* server) {
    for (size_t i = 0; i < MaskEntriesMatching(kAutoVoiceList, sender).size(); ++i)
        Send("MODE " + channel + " +v " + sender.Nick, server);
    for (size_t i = 0; i < MaskEntriesMatching(kAutoOpList, sender).size(); ++i)
        Send("MODE " + channel + " +o " + sender.Nick, server);
    for (const std::string& mask : MaskEntriesMatching(kBlackList, sender)) {
        Send("MODE " + channel + " +b " + mask, server);
        Send("KICK " + channel + " " + sender.Nick + " :Black Listed", server);
    }
}

// The nick of an item without its status prefix.
std::wstring BareItemNick(const std::wstring& item, const std::wstring& extras) {
    if (item.size() >= 2 &&
        (item[0] == L'.' || item[0] == L'@' || item[0] == L'+' || extras.find(item[0]) != std::wstring::npos))
        return item.substr(1);
    return item;
}

// "On_Clone" with the listed nicks whose remembered host is the joining user's.
void CheckClones(WindowRecord* channel, const UserAddress& sender) {
    if (!channel || channel->Type != kChannelWindow || !channel->NickList) return;
    std::string parameters = WindowRecordName(channel) + " " + sender.Nick + " ";
    std::string result;
    if (RunEventScript("On_Clone", channel, channel, parameters, result, {.CheckOnly = true}) ==
        kNoEventScript)
        return;
    const std::wstring extras = ExtraNickPrefixes(channel);
    std::vector<std::wstring> items;
    ReadChannelNicks(channel, items);
    bool found = false;
    for (const std::wstring& item : items) {
        const std::string nick = WideToNarrow(BareItemNick(item, extras));
        if (StringEqualsNoCase(nick, sender.Nick)) continue;
        UserAddress query{nick, {}, {}};
        if (FindRememberedUser(channel, query) && query.Host == sender.Host) {
            parameters += nick + " ";
            found = true;
        }
    }
    if (found) RunEventScript("On_Clone", channel, channel, parameters, result);
}

// Every window of the server window, in list order.
std::vector<WindowRecord*> WindowsOfServer(WindowRecord* server) {
    std::vector<WindowRecord*> windows;
    for (WindowRecord* record : WindowListSnapshot())
        if (record->Server == server) windows.push_back(record);
    return windows;
}

// The remembered user of the old nick takes the new nick; without one the user is remembered.
void FollowNickInRememberedUsers(ServerLine& line, const std::string& newNick) {
    ServerConnection& connection = *line.Connection;
    const UserAddress& sender = line.Message.Sender;
    {
        std::lock_guard<std::mutex> lock(connection.RememberedUsersMutex);
        for (RememberedUser& user : connection.RememberedUsers) {
            if (user.NickPattern != "*" && !WildcardMatch(sender.Nick, user.NickPattern, false)) continue;
            user.NickPattern = newNick;
            return;
        }
    }
    RememberUser(line.Window, UserAddress{newNick, sender.User, sender.Host});
}

// A kill's comment is the killer's path, then the reason.
std::string KillReason(const std::string& comment) {
    const size_t blank = comment.find(' ');
    return blank == std::string::npos ? std::string() : comment.substr(blank + 1);
}

// A name the list can keep and the join dialog offer again as it is: UTF-8 without control
// characters, without the list's blank and without the comma that would make one join two
// channels. A name a server sent that fails is not kept (its window opens all the same).
bool IsListableChannelName(const std::string& channel) {
    if (channel.empty() || channel.size() > kMaxListedChannelName || !IsWellFormedUtf8(channel)) return false;
    for (unsigned char c : channel)
        if (c < 0x20 || c == 0x7F || c == ' ' || c == ',') return false;
    return true;
}

} // namespace

void RecordRecentChannel(const std::string& channel) {
    if (!IsListableChannelName(channel)) return;
    std::vector<std::string> recent;
    SplitQuoted(recent, Settings::RecentChannels(), " ", false);
    for (const std::string& entry : recent)
        if (StringEqualsNoCase(entry, channel)) return;
    if (recent.size() > 20) recent.erase(recent.begin());
    recent.push_back(channel);
    std::string joined;
    for (const std::string& entry : recent) joined += (joined.empty() ? "" : " ") + entry;
    XmlWriteProfileString(Settings::Keys::RecentChannels.Section, Settings::Keys::RecentChannels.Key,
                          joined.c_str(), nullptr, UserConfigDocument);
}

bool HandleJoin(ServerLine& line) {
    const IrcMessage& message = line.Message;
    const std::string& channel = message.Param(0);
    RememberUser(line.Window, message.Sender);
    ApplyAutoLists(channel, message.Sender, line.Window);

    WindowRecord* window = FindConnectionWindow(channel, line.Connection);
    if (!IsOwnNick(*line.Connection, message.Sender.Nick)) {
        if (window) AddNickToList(window, message.Sender.Nick);
    } else if (!window && !channel.empty()) {
        // The window is made with the channel's name and its tab.
        window = OpenChatWindow(line.Window, kChannelWindow, channel, 0);
        Send("MODE " + channel, line.Window);
        RecordRecentChannel(channel);
    }
    if (!window) return true;
    ShowEventLine(line, window, kJoinLine, message.Text, true);
    CheckClones(window, message.Sender);
    return true;
}

bool HandlePart(ServerLine& line) {
    const IrcMessage& message = line.Message;
    RemoveRememberedUser(line.Window, message.Sender.Nick);
    if (WindowRecord* window = FindConnectionWindow(message.Param(0), line.Connection)) {
        RemoveNickFromList(window, message.Sender.Nick);
        ShowEventLine(line, window, kPartLine, message.Text);
    } else {
        ShowEventLine(line, line.Window, kPartLine, message.Text, false, 1);
    }
    return true;
}

bool HandleTopic(ServerLine& line) {
    WindowRecord* target = FindConnectionWindow(line.Message.Param(0), line.Connection);
    if (!target) target = line.Window;
    const std::string topic = line.Message.Param(1);
    SetWindowRecordTopic(target, topic);
    ShowEventLine(line, target, kTopicLine, topic, true);
    UpdateWindowTitle(target);
    return true;
}

bool HandlePropOrAccess(ServerLine& line) {
    WindowRecord* target = FindConnectionWindow(line.Message.Param(0), line.Connection);
    ShowEventLine(line, target ? target : line.Window, kModeLine, line.Message.ParamsText(1), true);
    return true;
}

bool HandleKick(ServerLine& line) {
    const std::string& channel = line.Message.Param(0);
    const std::string& victim = line.Message.Param(1);
    WindowRecord* channelWindow = FindConnectionWindow(channel, line.Connection);
    WindowRecord* target = channelWindow ? channelWindow : line.Window;
    RemoveNickFromList(target, victim);
    bool close = false;
    if (IsOwnNick(*line.Connection, victim)) {
        // Only a channel window is ever closed, and nothing touches it afterwards.
        close = channelWindow && channelWindow->Type == kChannelWindow && Settings::DestroyWindowOnKick();
        if (Settings::RejoinOnKick()) Send("JOIN " + channel, line.Window);
    }
    ShowEventLine(line, close ? line.Window : target, kKickLine, line.Message.Param(2));
    if (close) SendMessageW(channelWindow->Window, WM_CLOSE, 0, 0);
    return true;
}

bool HandleKill(ServerLine& line) {
    const std::string& victim = line.Message.Param(0);
    const std::string reason = KillReason(line.Message.Param(1));
    for (WindowRecord* window : WindowsOfServer(line.Window)) {
        bool show = false;
        if (window == line.Window || window->Type == kServerWindow) {
            show = IsOwnNick(*line.Connection, victim);
        } else if (window->Type == kChannelWindow) {
            RemoveNickFromList(window, victim);
            show = true;
        } else if (window->Type == kQueryWindow) {
            show = WindowRecordName(window) == victim;
        }
        if (show) ShowEventLine(line, window, kKillLine, reason);
    }
    return true;
}

bool HandleInvite(ServerLine& line) {
    ShowEventLine(line, line.Window, kInviteLine, line.Message.Param(1));
    return true;
}

bool HandleSilence(ServerLine& line) {
    ShowEventLine(line, line.Window, kSilenceLine, line.Message.Param(0));
    return true;
}

bool HandleQuit(ServerLine& line) {
    const std::string& nick = line.Message.Sender.Nick;
    for (WindowRecord* window : WindowsOfServer(line.Window)) {
        bool show = false;
        if (window->Type == kChannelWindow)
            show = RemoveNickFromList(window, nick);
        else if (window->Type == kQueryWindow)
            show = WindowRecordName(window) == nick;
        if (show) ShowEventLine(line, window, kQuitLine, line.Message.Param(0));
    }
    return true;
}

bool HandleNick(ServerLine& line) {
    const std::string& newNick = line.Message.Param(0);
    const std::string oldNick = line.Message.Sender.Nick;
    if (newNick.empty()) return true;
    FollowNickInRememberedUsers(line, newNick);
    if (IsOwnNick(*line.Connection, oldNick)) {
        line.Connection->OwnNick = newNick;
        UpdateWindowTitle(line.Window);
    }
    for (WindowRecord* window : WindowsOfServer(line.Window)) {
        if (window->Type == kChannelWindow) {
            if (GetNickLevel(oldNick.c_str(), window, nullptr, nullptr, nullptr, nullptr) == 0) continue;
            ShowEventLine(line, window, kNickLine, newNick);
        } else if (window->Type == kQueryWindow && WindowRecordName(window) == oldNick) {
            ShowEventLine(line, window, kNickLine, newNick);
            SetWindowRecordName(window, newNick);
        }
    }
    RenameNickInLists(line.Window, oldNick, newNick);
    return true;
}
