#include "commands/command_call.h"

#include "common/app_state.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "common/refusal.h"
#include "common/text_compare.h"
#include "irc/channel_mode_rules.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"
#include "core/remote_text.h"

#include <algorithm>

bool CommandCall::CommandIs(const char* word) const {
    return StringEqualsNoCaseSz(Words[0], word);
}

namespace {

// Where word n of the line begins (its length when there is none).
size_t WordStart(const std::string& line, size_t n) {
    size_t at = 0;
    for (size_t i = 0; i < n; ++i) {
        while (at < line.size() && line[at] == ' ') ++at;
        while (at < line.size() && line[at] != ' ') ++at;
    }
    while (at < line.size() && line[at] == ' ') ++at;
    return at;
}

} // namespace

std::string CommandCall::Rest(size_t n) const {
    return Line.substr(WordStart(Line, n));
}

std::string CommandCall::RestMarks(size_t n) const {
    return Marks.substr(std::min(WordStart(Line, n), Marks.size()));
}

std::string CommandCall::WordMarks(size_t n) const {
    const size_t start = std::min(WordStart(Line, n), Marks.size());
    const size_t end = Line.find(' ', start);
    return Marks.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool CommandCall::RestFromOutside(size_t n) const {
    return HasOutsideByte(RestMarks(n));
}

void RefuseCommand() {
    throw static_cast<int>(kRefused);
}

void SendCommandLine(const std::string& line, WindowRecord* window) {
    SendServerLine(line + "\r\n", window, 0);
}

void PostFrameCommand(uint32_t commandId) {
    PostMessageW(MainWindow.load(), WM_COMMAND, commandId, 0);
}

WindowRecord* FindChannelWindow(const CommandCall& call, const std::string& name) {
    if (!call.Connection) return nullptr;
    WindowRecord* window = GetWindowRecordAt(FindWindowRecordIndex(name, call.Connection));
    return window && window->Type == kChannelWindow ? window : nullptr;
}

bool IsChannelWord(const CommandCall& call, const std::string& word) {
    const std::string types =
        call.Connection ? call.Connection->ModeRules.Get().ChannelTypes : kDefaultChannelTypes;
    return IsChannelName(word, types);
}

void PrintLangString(WindowRecord* window, int32_t id) {
    const wchar_t* text = GetLangString(id);
    PrintToWindow(kInformationLine, window, text ? text : L"");
}

std::wstring RestWide(const CommandCall& call, size_t n) {
    return NarrowToWide(call.Rest(n));
}
