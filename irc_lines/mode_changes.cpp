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

namespace {

std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
    return folded;
}

wchar_t LevelPrefix(int32_t level) {
    return level >= 4 ? L'.' : level == 3 ? L'@' : L'+';
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
        connection.OwnUserModes = WithoutColon(changes);
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
    const std::wstring extras = ExtraNickPrefixes(window);
    bool marked = false;
    for (size_t n = 2; n < message.Params.size(); ++n) {
        const std::string& argument = message.Params[n];
        int32_t level = ModeArgumentLevel(letters, static_cast<uint32_t>(n - 2), rules);
        if (level > 1000) {
            marked = true;
            level -= kModeFetchMark;
        }
        uint32_t index = 0;
        std::wstring bare;
        const uint32_t current = GetNickLevel(argument.c_str(), window, &index, nullptr, nullptr, &bare);
        if (level == 0 && current != 0) {
            SendServerLine("NAMES " + target + "\r\n", line.Window, 0);
            break;
        }
        if (current != 0 && level > 0 && static_cast<uint32_t>(level) > current) {
            const std::wstring text = std::wstring(1, LevelPrefix(level)) + bare;
            ReplaceNickItem(window, index, text, NickGroup(text, static_cast<uint32_t>(level), extras));
        } else if (current != 0 && level < 0 && static_cast<uint32_t>(-level) >= current) {
            ReplaceNickItem(window, index, bare, NickGroup(bare, 0, extras));
        }
        if (IsOwnNick(connection, argument)) PostMessageW(window->Window, WM_SIZE, 0, 0);
    }
    if (marked) SendModeQuery(line.Window, target);
    ShowEventLine(line, window, kModeLine, changes, true);
    return true;
}
