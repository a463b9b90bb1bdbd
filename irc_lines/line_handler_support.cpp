#include "irc_lines/line_handler_support.h"

#include "common/app_state.h"
#include "common/text_compare.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc/custom_view_lines.h"
#include "irc/server_connection.h"
#include "core/frame_message_ids.h"
#include "core/startup_switches.h"
#include "core/window_list.h"
#include "core/client_services.h"
#include "markup/untrusted_text.h"

std::vector<std::string> CutLine(const std::string& line, uint32_t blanks) {
    std::vector<std::string> words;
    SplitString(words, line, blanks, " ");
    return words;
}

std::vector<std::string> CutLineAtBlanks(const std::string& line) {
    std::vector<std::string> words;
    SplitString(words, line, kSplitUnlimited, " ");
    return words;
}

const std::string& WordAt(const std::vector<std::string>& words, size_t n) {
    static const std::string empty;
    return n >= 1 && n <= words.size() ? words[n - 1] : empty;
}

std::string WithoutColon(const std::string& text) {
    return !text.empty() && text[0] == ':' ? text.substr(1) : text;
}

std::string WithoutFirst(const std::string& text) {
    return text.empty() ? text : text.substr(1);
}

WindowRecord* FindConnectionWindow(const std::string& name, const ServerConnection* connection) {
    if (name.empty() || !connection) return nullptr;
    return GetWindowRecordAt(FindWindowRecordIndex(name, connection));
}

void ShowEventLine(const ServerLine& line, WindowRecord* target, LineKind kind, const std::string& message,
                   const std::vector<std::string>& words, bool viewLine, uint8_t noNotice) {
    if (!target) return;
    if (viewLine && CustomViewMode.load()) {
        FormatViewEventLine(target, kind, line.Text, words, line.Sender);
        return;
    }
    std::wstring text;
    FormatEventLine(line.Window, text, kind, message, words, line.Sender);
    PrintToWindow(kind, target, text, nullptr, 0, noNotice);
}

void PrintInfo(WindowRecord* window, const std::wstring& text, HWND view, uint8_t noTimeStamp) {
    PrintToWindow(kInformationLine, window, text, view, noTimeStamp);
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
