// "/eval", "/display" and its family, "/awin", "/clear", "/close", "/encoding", "/utf8" and
// "/debug".
#include "commands/client_command_handlers.h"
#include "commands/command_text.h"

#include "common/app_state.h"
#include "common/script_number.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "script/script_interpreter.h"
#include "irc/server_connection.h"
#include "core/client_services.h"
#include "core/debug_level.h"
#include "core/record_guards.h"
#include "core/tab_states.h"
#include "core/remote_text.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "markup/markup_codes.h"
#include "commands/input_dispatcher.h"
#include "commands/command_interpreter.h"

#include <string>
#include <vector>

namespace {

// "/display" and its family: the connection's windows that the target names.
bool DisplayTargetMatches(const std::string& target, const WindowRecord* window) {
    if (target == "*") return true;
    if (target == "#") return window->Type == kChannelWindow;
    if (target == "&") return window->Type == kQueryWindow;
    if (target == "!") return window == GetActiveWindowRecord();
    return WildcardMatch(window->Name, target, false);
}

// "/clear" and "/close" with a target, over every window.
bool ClearTargetMatches(const std::string& target, const WindowRecord* window, const ServerConnection* own) {
    const bool ofConnection = own && ConnectionOfWindow(window) == own;
    if (target == "*") return true;
    if (target == "$") return ofConnection;
    if (target == "#") return ofConnection && window->Type == kChannelWindow;
    if (target == "&") return ofConnection && window->Type == kQueryWindow;
    if (target == "?") return GetWindowTabState(window) == kTabIdle;
    return WildcardMatch(window->Name, target, false);
}

void ClearOrClose(const CommandCall& call, WindowRecord* window) {
    if (call.CommandIs("/close")) {
        if (window->Window) SendMessageW(window->Window, WM_CLOSE, 0, 0);
    } else {
        ClearChatView(window);
    }
}

std::wstring CodePageName(uint32_t codePage) {
    if (codePage == CP_UTF8) return L"(UTF-8)";
    if (codePage == 0) return L"(ANSI)";
    return L"";
}

void TellEncoding(WindowRecord* window, uint32_t codePage) {
    PrintToWindow(kInformationLine, window,
                  std::wstring(kSymbolDot) + L" Encoding set to: " + std::to_wstring(codePage) + L" " +
                      CodePageName(codePage));
}

uint32_t CodePageWord(const std::string& word) {
    return static_cast<uint32_t>(ScriptValueToInt64(word));
}

} // namespace

uint64_t EvalCommand(const CommandCall& call) {
    std::string result;
    script::ExecuteScript(kEvalMode, call.ConnectionWindow, call.Target, call.Rest(1), "", result, 0);
    // A script yields no result text, so the input box is left empty.
    if (call.Target && call.Target->Input) SetWindowTextW(call.Target->Input, NarrowToWide(result).c_str());
    return 1;
}

uint64_t DisplayCommand(const CommandCall& call) {
    RequireWindow(call.ConnectionWindow);
    std::string target = call.Words[1];
    const bool printing = call.CommandIs("/addtext") || call.CommandIs("/addtextw");
    const bool noTimeStamp = target.size() > 1 && target.back() == '~';
    if (noTimeStamp) target.pop_back();
    const std::string text = call.Rest(2);
    const LineMarksScope marks(text, call.RestMarks(2));
    for (WindowRecord* window : WindowListSnapshot()) {
        if (!IsWindowRecordListed(window) || window->Server != call.ConnectionWindow) continue;
        if (!DisplayTargetMatches(target, window)) continue;
        if (printing)
            PrintToWindow(kInformationLine, window,
                          NarrowToWide(CleanWhenFromOutside(text), DefaultCodePage.load()),
                          {.NoTimeStamp = noTimeStamp});
        else
            commands::ProcessInputLine(text.c_str(), window);
    }
    return 1;
}

uint64_t DisplayAllCommand(const CommandCall& call) {
    MarkedLine line;
    line.Own(call.CommandIs("/achan") ? "/display # " : "/display * ")
        .Marked(call.Rest(1), call.RestMarks(1));
    const LineMarksScope marks(line.Text, line.Marks);
    return commands::ExecuteCommand(line.Text.c_str(), call.ConnectionWindow, nullptr, nullptr);
}

uint64_t ClearCommand(const CommandCall& call) {
    if (call.Words.size() == 1) {
        RequireWindow(call.Target);
        ClearOrClose(call, call.Target);
        return 1;
    }
    const std::string& target = call.Words[1];
    const std::vector<WindowRecord*> windows = WindowListSnapshot();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        // Closing a server window closes its other windows with it.
        if (!IsWindowRecordListed(*it) || !ClearTargetMatches(target, *it, call.Connection)) continue;
        ClearOrClose(call, *it);
        if (!call.CommandIs("/close")) SetWindowTabState(*it, kTabIdle);
    }
    return 1;
}

uint64_t EncodingCommand(const CommandCall& call) {
    const auto& words = call.Words;
    if (call.Target && call.Target->Type == kDccChatWindow) {
        call.Target->CodePage = static_cast<int32_t>(CodePageWord(words[1]));
        return 1;
    }
    if (words.size() >= 3) {
        WindowRecord* window =
            call.Connection ? GetWindowRecordAt(FindWindowRecordIndex(words[1], call.Connection)) : nullptr;
        if (!window) return 1;
        const uint32_t codePage = CodePageWord(words[2]);
        window->CodePage = static_cast<int32_t>(codePage);
        TellEncoding(window, codePage);
        return 1;
    }
    uint32_t codePage = 0;
    if (!ParseDecimal(words[1], 0xFFFFFFFF, codePage)) return 0;
    DefaultCodePage = codePage;
    TellEncoding(call.ConnectionWindow, codePage);
    return 1;
}

uint64_t Utf8Command(const CommandCall& call) {
    const bool on = call.Words.size() == 1 || StringEqualsNoCase(call.Words[1], "on");
    return commands::ExecuteCommand(on ? "/encoding 65001" : "/encoding 0", call.ConnectionWindow, nullptr,
                                    nullptr);
}

uint64_t DebugCommand(const CommandCall& call) {
    DebugLevel = static_cast<uint32_t>(ScriptValueToInt64(call.Words[1]));
    return 1;
}
