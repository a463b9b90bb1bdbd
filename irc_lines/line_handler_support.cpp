#include "irc_lines/line_handler_support.h"

#include "common/app_state.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/custom_view_lines.h"
#include "irc/server_connection.h"
#include "core/frame_message_ids.h"
#include "core/startup_switches.h"
#include "core/window_list.h"
#include "core/client_services.h"
#include "markup/untrusted_text.h"

WindowRecord* FindConnectionWindow(const std::string& name, const ServerConnection* connection) {
    if (name.empty() || !connection) return nullptr;
    return FindWindowRecord(name, connection);
}

std::wstring FormatServerEvent(const ServerLine& line, LineKind kind, const std::string& message) {
    const IrcMessage& m = line.Message;
    // The words an event format reads: the prefix, the command, then the parameters.
    std::vector<std::string> words{":" + m.Prefix, m.Command};
    words.insert(words.end(), m.Params.begin(), m.Params.end());
    std::wstring text;
    FormatEventLine(line.Window, text, kind, message, words, m.Sender);
    return text;
}

void ShowEventLine(const ServerLine& line, WindowRecord* target, LineKind kind, const std::string& message,
                   bool viewLine, uint8_t noNotice) {
    if (!target) return;
    if (viewLine && CustomViewMode.load()) {
        FormatViewEventLine(target, kind, message, line.Message.Sender);
        return;
    }
    PrintToWindow(kind, target, FormatServerEvent(line, kind, message), {.NoNotice = noNotice != 0});
}

void PrintInfo(WindowRecord* window, const std::wstring& text, HWND view, uint8_t noTimeStamp) {
    PrintToWindow(kInformationLine, window, text, {.View = view, .NoTimeStamp = noTimeStamp != 0});
}

std::wstring ServerText(const std::string& text, UINT codePage) {
    return NarrowToWide(CleanUntrustedText(text), codePage);
}

std::wstring ServerText(const std::string& text) {
    return ServerText(text, DefaultCodePage.load());
}

bool IsOwnNick(const ServerConnection& connection, const std::string& nick) {
    return !nick.empty() && StringEqualsNoCase(connection.OwnNick, nick);
}
