#include "irc_lines/mode_changes.h"

#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/channel_mode_rules.h"
#include "irc_lines/channel_nicks.h"
#include "irc_lines/line_handler_support.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "core/window_record.h"

#include <iterator>
#include <vector>

namespace {

std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
    return folded;
}

} // namespace

bool SendModeQuery(WindowRecord* server, const std::string& channel) {
    ServerConnection* connection = ConnectionOfWindow(server);
    if (!connection) return false;
    const ULONGLONG now = GetTickCount64();
    {
        LineHandlerState& state = connection->HandlerState;
        std::lock_guard<std::mutex> lock(state.Mutex);
        auto& queries = state.ModeQueries;
        for (auto it = queries.begin(); it != queries.end();)
            it = now - it->second >= kModeQueryIntervalMs ? queries.erase(it) : std::next(it);
        if (!queries.emplace(Folded(channel), now).second) return false;
    }
    SendServerLine("MODE " + channel + "\r\n", server, 0);
    return true;
}

bool HandleMode(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    const IrcMessage& message = line.Message;
    const std::string& target = message.Param(0);
    const std::string changes = message.ParamsText(1);
    if (IsOwnNick(connection, target)) {
        connection.OwnUserModes = changes;
        ShowEventLine(line, line.Window, kModeLine, connection.OwnUserModes, true);
        return true;
    }
    WindowRecord* window = FindConnectionWindow(target, &connection);
    if (!window) {
        ShowEventLine(line, line.Window, kModeLine, changes, true);
        return true;
    }
    // Parameter 1 holds the mode letters, the ones after it their arguments.
    const std::string& letters = message.Param(1);
    if (message.Params.size() <= 2) {
        SendModeQuery(line.Window, target);
        ShowEventLine(line, window, kModeLine, changes, true);
        return true;
    }

    const ChannelModeRules rules = connection.ModeRules.Get();
    bool anyMarked = false;
    const std::vector<ModeArgument> arguments = ModeArguments(letters, rules, anyMarked);
    bool marked = false;
    for (size_t n = 2; n < message.Params.size(); ++n) {
        const std::string& argument = message.Params[n];
        const ModeArgument* taken = n - 2 < arguments.size() ? &arguments[n - 2] : nullptr;
        marked = marked || (taken ? taken->Marked : anyMarked);
        uint32_t index = 0;
        const bool listed = GetNickLevel(argument.c_str(), window, &index, nullptr, nullptr, nullptr) != 0;
        // A listed nick that no prefix mode takes, or a change the list cannot follow: the names
        // reply rebuilds the list.
        const bool followed = !listed || (taken && taken->PrefixMode &&
                                          ChangeMemberMode(window, index, taken->Letter, taken->Set, rules));
        if (!followed) {
            SendServerLine("NAMES " + target + "\r\n", line.Window, 0);
            break;
        }
        if (IsOwnNick(connection, argument)) PostMessageW(window->Window, WM_SIZE, 0, 0);
    }
    if (marked) SendModeQuery(line.Window, target);
    ShowEventLine(line, window, kModeLine, changes, true);
    return true;
}
