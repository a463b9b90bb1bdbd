#include "irc_lines/private_messages.h"

#include "common/app_state.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc_lines/line_handler_support.h"
#include "irc/server_connection.h"
#include "irc_lines/user_list_match.h"
#include "core/settings.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "core/client_services.h"

namespace {

bool BelongsToServer(const WindowRecord* window, const WindowRecord* server) {
    return window && window->Server == server && IsWindowRecordListed(window);
}

// "-CHANOPS- #channel: text" names the channel between the marker and the ':'.
std::string ChanopsChannel(const std::string& text) {
    static const std::string marker = "-CHANOPS- ";
    if (text.compare(0, marker.size(), marker) != 0) return {};
    const size_t colon = text.find(':', marker.size());
    if (colon == std::string::npos) return {};
    return text.substr(marker.size(), colon - marker.size());
}

} // namespace

bool HandlePrivmsg(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    const IrcMessage& message = line.Message;
    const UserAddress& sender = message.Sender;
    std::string target = message.Param(0);
    const std::string& text = message.Param(1);
    const bool isPrivate = IsOwnNick(connection, target);
    if (isPrivate) target = sender.Nick;
    if (UserListMatches(kIgnoreList, sender)) return true;

    WindowRecord* window = FindConnectionWindow(target, &connection);
    if (!window) {
        std::string result;
        if (RunEventScript("On_Incoming_Private", line.Window, line.Window, ":" + message.Prefix, result) ==
            1)
            return true;
        if (isPrivate) window = OpenChatWindow(line.Window, kQueryWindow, sender.Nick, 0, true);
        if (!window) window = line.Window;
    }
    if (UserListMatches(kTalkNotifyList, sender)) {
        const uint32_t state = GetWindowTabState(window);
        if (state != kNoTabState && state < kTabMentioned) SetWindowTabState(window, kTabMentioned);
    }

    const bool action = WildcardMatch(text,
                                      "\x01"
                                      "ACTION*",
                                      false);
    const std::wstring formatted = FormatServerEvent(line, action ? kActionLine : kMessageLine, message.Text);
    // Handed to the thread that owns the voice; the connection never waits for it.
    if (!action && window->SpeakIncoming) SpeakText(NarrowToWide(text, CP_UTF8));
    window->NoSuchNickShown = 0;
    // The sender travels with the line: the printer keeps the window's sender fields.
    const std::wstring nick = NarrowToWide(sender.Nick, CP_UTF8);
    PrintToWindow(kMessageLine, window, formatted, {.ChatLine = true, .Sender = &nick});
    return true;
}

bool HandleNotice(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    const std::string& target = line.Message.Param(0);
    const std::string& text = line.Message.Param(1);
    WindowRecord* destination = GetActiveWindowRecord();
    bool toAll = Settings::NoticesToAllWindows();
    const std::string chanops = ChanopsChannel(text);
    if (!chanops.empty())
        if (WindowRecord* channel = FindConnectionWindow(chanops, &connection)) {
            destination = channel;
            toAll = false;
        }
    if (!IsOwnNick(connection, target)) {
        WindowRecord* window = FindConnectionWindow(target, &connection);
        destination = window ? window : line.Window;
        toAll = false;
    }
    if (UserListMatches(kIgnoreList, line.Message.Sender)) return true;
    // A notice is never lost: without a window of this server to show it, the server window does.
    if (!toAll && !BelongsToServer(destination, line.Window)) destination = line.Window;

    const std::wstring formatted = FormatServerEvent(line, kNoticeLine, line.Message.Text);
    for (WindowRecord* window : WindowListSnapshot())
        if (window->Server == line.Window && (toAll || window == destination))
            PrintToWindow(kNoticeLine, window, formatted);
    return true;
}
