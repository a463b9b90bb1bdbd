// "/join", "/invite", "/topic", "/kick", "/names", "/part", the "/wall" family and "/opnotice".
#include "commands/command_handlers.h"
#include "commands/command_interpreter.h"
#include "commands/command_text.h"
#include "common/xstring.h"
#include "irc_lines/channel_nicks.h"
#include "core/frame_message_ids.h"
#include "core/record_guards.h"
#include "core/window_record.h"

namespace {

bool IsChannel(const WindowRecord* window) {
    return window && window->Type == kChannelWindow;
}

// Whether a member of the level gets the notice of the "/wall" command.
bool WallReaches(const CommandCall& call, uint32_t level) {
    if (call.CommandIs("/wallv")) return level >= 2;
    if (call.CommandIs("/wallo") || call.CommandIs("/wallop")) return level >= 3;
    if (call.CommandIs("/wallq")) return level >= 4;
    if (call.CommandIs("/wallexo")) return level == 3;
    return level == 2; // "/wallexv"
}

// The window a line about the channel goes through: its own when open, else its server's.
WindowRecord* ChannelOrConnectionWindow(const CommandCall& call, const std::string& channel) {
    WindowRecord* window = FindChannelWindow(call, channel);
    return window ? window : call.Connection ? call.ConnectionWindow : nullptr;
}

} // namespace

uint64_t JoinCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    PostFrameCommand(ID_SERVER_JOIN);
    return 1;
}

uint64_t InviteCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    if (!IsChannel(call.Target)) return 0;
    SendCommandLine("INVITE " + call.Words[1] + " " + call.Target->Name, call.Target);
    return 1;
}

uint64_t TopicCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    const auto& words = call.Words;
    if (words.size() == 1) {
        if (!IsChannel(call.Target)) return 0;
        SendCommandLine("TOPIC " + call.Target->Name, call.Target);
        return 1;
    }
    // A first word that is a channel names it, open or not: alone it asks for the channel's topic
    // (an empty topic would clear it); text after it, even a lone ':', sets it.
    if (IsChannelWord(call, words[1])) {
        WindowRecord* via = ChannelOrConnectionWindow(call, words[1]);
        if (!via) return 0;
        if (words.size() == 2)
            SendCommandLine("TOPIC " + words[1], via);
        else
            SendCommandLine("TOPIC " + words[1] + " :" + DropLeadingColon(call.Rest(2)), via);
        return 1;
    }
    if (!IsChannel(call.Target)) return 0;
    SendCommandLine("TOPIC " + call.Target->Name + " :" + DropLeadingColon(call.Rest(1)), call.Target);
    return 1;
}

uint64_t KickCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    const auto& words = call.Words;
    if (words.size() == 1) {
        PostFrameCommand(ID_NICK_KICK);
        return 1;
    }
    if (words.size() == 2) {
        if (!IsChannel(call.Target)) return 0;
        SendCommandLine("KICK " + call.Target->Name + " " + words[1] + " :", call.Target);
        return 1;
    }
    if (IsChannelWord(call, words[1])) {
        WindowRecord* via = ChannelOrConnectionWindow(call, words[1]);
        if (!via) return 0;
        const std::string reason = words.size() > 3 ? DropLeadingColon(call.Rest(3)) : std::string();
        SendCommandLine("KICK " + words[1] + " " + words[2] + " :" + reason, via);
        return 1;
    }
    if (!IsChannel(call.Target)) return 1;
    SendCommandLine("KICK " + call.Target->Name + " " + words[1] + " :" + DropLeadingColon(call.Rest(2)),
                    call.Target);
    return 1;
}

uint64_t NamesCommand(const CommandCall& call) {
    RequireWindowType(call.Target, kChannelWindow);
    SendCommandLine("NAMES " + call.Target->Name, call.Target);
    return 1;
}

uint64_t PartCommand(const CommandCall& call) {
    if (!call.Connection) RefuseCommand();
    // "/part #chan" and other forms with words reach the server as they are.
    if (call.Words.size() > 1) return 0;
    RequireWindow(call.Target);
    if (call.Target->Window) SendMessageW(call.Target->Window, WM_CLOSE, 0, 0);
    return 1;
}

uint64_t WallCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    const std::string& channelName = call.Words[1];
    WindowRecord* channel = FindChannelWindow(call, channelName);
    if (!channel) return 1;
    const std::string text = call.Rest(2);
    const bool toOperators = call.CommandIs("/wallop");
    for (uint32_t item = 0;; ++item) {
        uint32_t index = item;
        std::wstring member;
        const uint32_t level = GetNickLevel(nullptr, channel, &index, nullptr, nullptr, &member);
        if (member.empty()) break;
        if (!WallReaches(call, level)) continue;
        const std::string nick = WideToNarrow(member);
        if (toOperators)
            SendCommandLine("NOTICE " + nick + " :-CHANOPS- " + channelName + ":" + text, channel);
        else
            SendCommandLine("NOTICE " + nick + " :[" + channelName + "] " + text, channel);
    }
    return 1;
}

uint64_t OpNoticeCommand(const CommandCall& call) {
    RequireWindowType(call.Target, kChannelWindow);
    const std::string line = "/wallop " + call.Target->Name + " " + call.Rest(1);
    return commands::ExecuteCommand(line.c_str(), call.ConnectionWindow, nullptr, nullptr);
}
