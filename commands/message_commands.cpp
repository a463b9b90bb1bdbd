// "/msg", "/notice" and their twins, "/ctcp", "/ctcpreply", "/sound", "/me", "/dccmsg" and
// "/query".
#include "commands/command_handlers.h"
#include "commands/command_interpreter.h"
#include "commands/command_text.h"
#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/text_replace.h"
#include "common/xstring.h"
#include "common/rich_edit_helpers.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "core/dcc_connection.h"
#include "core/applied_settings.h"
#include "core/open_chat_window.h"
#include "core/record_guards.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "core/client_services.h"
#include "core/remote_text.h"
#include "core/settings.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <algorithm>

namespace {

std::wstring FromDefaultCodePage(const std::string& text) {
    return NarrowToWide(text, DefaultCodePage.load());
}

// The echo of a sent message, notice or CTCP request in the target window.
void EchoMessage(WindowRecord* window, const wchar_t* label, const std::string& target, std::string text,
                 bool closingLineEnd) {
    text.erase(std::remove(text.begin(), text.end(), '\x01'), text.end());
    std::wstring line = DisplayText()
                            .Dot()
                            .Text(label)
                            .Symbol(L"\u00AE")
                            .Text(L" ")
                            .Bold(FromDefaultCodePage(CleanWhenFromOutside(target)))
                            .Text(L" : ");
    line += FromDefaultCodePage(CleanWhenFromOutside(text));
    if (closingLineEnd) line += L"\r\n";
    PrintToWindow(kNoticeLine, window, line);
}

// The text between two CTCP markers (0x01).
std::string CtcpRequest(const std::string& text) {
    return '\x01' + text + '\x01';
}

uint64_t RunBuiltCommand(const CommandCall& call, const std::string& line) {
    return commands::ExecuteCommand(line.c_str(), call.ConnectionWindow, nullptr, nullptr);
}

// The n-th DCC chat window in list order, counted from 0.
WindowRecord* NthDccChatWindow(uint32_t n) {
    WindowListReadLock lock(WindowListMutex());
    for (WindowRecord* record : WindowList)
        if (record->Type == kDccChatWindow && n-- == 0) return record;
    return nullptr;
}

// By name; else "<marker><n>" for the n-th DCC chat window, or "<n>" for the window-list index.
WindowRecord* FindDccMessageWindow(const std::string& target) {
    const uint32_t named = FindDccChatWindowIndex(target);
    if (named != kNoWindowIndex) return GetWindowRecordAt(named);
    uint32_t number = 0;
    if (target[0] >= '0' && target[0] <= '9')
        return ParseDecimal(target, 0xFFFFFFFE, number) ? GetWindowRecordAt(number) : nullptr;
    return ParseDecimal(std::string_view(target).substr(1), 0xFFFFFFFE, number) ? NthDccChatWindow(number)
                                                                                : nullptr;
}

} // namespace

uint64_t MessageCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    const std::string& target = call.Words[1];
    const std::string text = DropLeadingColon(call.Rest(2));
    const bool notice = call.CommandIs("/note") || call.CommandIs("/notice");
    const bool ctcp = !text.empty() && text[0] == '\x01';
    WindowRecord* server = call.ConnectionWindow ? call.ConnectionWindow->Server : nullptr;
    SendCommandLine((notice ? "NOTICE " : "PRIVMSG ") + target + " :" + text, server);
    if (ctcp)
        EchoMessage(call.Target, L" CTCP ", target, text, false);
    else if (notice)
        EchoMessage(call.Target, L" NOTICE ", target, text, false);
    else
        EchoMessage(call.Target, L" MSG ", target, text, true);
    return 1;
}

uint64_t CtcpCommand(const CommandCall& call) {
    return RunBuiltCommand(call, "/msg " + call.Words[1] + " :" + CtcpRequest(call.Rest(2)));
}

uint64_t CtcpReplyCommand(const CommandCall& call) {
    return RunBuiltCommand(call, "/note " + call.Words[1] + " :" + CtcpRequest(call.Rest(2)));
}

uint64_t SoundCommand(const CommandCall& call) {
    RequireWindow(call.Target);
    return RunBuiltCommand(call, "/msg " + call.Target->Name + " :" + CtcpRequest("SOUND " + call.Rest(1)));
}

uint64_t ActionCommand(const CommandCall& call) {
    WindowRecord* target = call.Target;
    RequireWindow(target);
    const std::string text = call.Rest(1);
    const std::string action = CtcpRequest("ACTION " + text);
    std::string sender;
    if (target->Type == kDccChatWindow) {
        const std::string line = action + "\r\n";
        DccChatSend(line.data(), target, static_cast<uint32_t>(line.size()));
        if (target->Dcc) sender = target->Dcc->LocalName;
    } else {
        SendCommandLine("PRIVMSG " + target->Name + " :" + action, target);
        if (const ServerConnection* connection = ConnectionOfWindow(target)) sender = connection->OwnNick;
    }
    std::string echo = Settings::EventFormat("Me_Format");
    UnescapeString(echo, false);
    StringReplace(echo, "$nick", sender.c_str(), false, 0);
    StringReplace(echo, "$message", CleanWhenFromOutside(text).c_str(), false, 0);
    PrintToWindow(kActionLine, target, FromDefaultCodePage(echo));
    return 1;
}

uint64_t DccMessageCommand(const CommandCall& call) {
    WindowRecord* window = FindDccMessageWindow(call.Words[1]);
    if (!window) return 0;
    const std::string text = call.Rest(2);
    const LineMarksScope marks(text, call.RestMarks(2));
    commands::ProcessInputLine(text.c_str(), window);
    return 1;
}

uint64_t QueryCommand(const CommandCall& call) {
    WindowRecord* server = call.ConnectionWindow ? call.ConnectionWindow->Server : nullptr;
    if (!server) RefuseCommand();
    const std::string& nick = call.Words[1];
    const bool fixedFont = call.CommandIs("/fquery");
    WindowRecord* window = GetWindowRecordAt(FindWindowRecordIndex(nick, call.Connection));
    if (window) {
        ActivateWindowRecord(window);
    } else {
        window = OpenChatWindow(server, kQueryWindow, nick, fixedFont ? 1 : 0);
        if (window && fixedFont && window->View && ConfiguredFonts.size() > kFixedFont)
            RichEditSetViewFont(window->View, ConfiguredFonts[kFixedFont]);
    }
    // The text is said in the query window, as if typed there.
    if (window && call.Words.size() > 2) {
        const std::string text = call.Rest(2);
        const LineMarksScope marks(text, call.RestMarks(2));
        commands::ProcessInputLine(text.c_str(), window);
    }
    return 1;
}
