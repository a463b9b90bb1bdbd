#include "commands/input_dispatcher.h"

#include "commands/command_interpreter.h"
#include "commands/command_text.h"
#include "common/app_state.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/user_address.h"
#include "core/dcc_connection.h"
#include "core/remote_text.h"
#include "script/event_scripts.h"
#include "core/window_record.h"
#include "core/client_services.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <process.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr uint32_t kEventHandled = 1;
const wchar_t kOnInputNestingMessage[] = L"On_Input nested too deeply; the line was dropped";

// "On_Input" events running on this thread, one inside the other.
thread_local uint32_t OnInputNesting = 0;

class NestingCount {
public:
    NestingCount() { ++OnInputNesting; }
    ~NestingCount() { --OnInputNesting; }
    NestingCount(const NestingCount&) = delete;
    NestingCount& operator=(const NestingCount&) = delete;
};

void ReportOnInputNesting(const std::string& line, WindowRecord* window) {
    WindowRecord* connectionWindow = window && window->Server ? window->Server : window;
    std::wstring text = DisplayText().Color(4).Bold().Dot().Text(L" Script Error [");
    text += NarrowToWide(line);
    text += L"] : ";
    text += kOnInputNestingMessage;
    PrintToWindow(kInformationLine, connectionWindow, text);
}

// True when a script swallowed the line (or it was dropped for nesting too deeply).
bool OnInputSwallows(const char* line, const std::string& trimmed, WindowRecord* window) {
    if (OnInputNesting >= kMaxOnInputNesting) {
        ReportOnInputNesting(trimmed, window);
        return true;
    }
    NestingCount nesting;
    std::string result;
    return RunEventScript("On_Input", window, window, line, result) == kEventHandled;
}

// A trigger worker for a line set off by text from a server: it runs as such text too.
unsigned __stdcall RemoteTriggerThread(void* job) {
    RemoteTextScope remote;
    return RunTriggerScriptThread(job);
}

// The typed-command triggers run on a thread of their own when the line was entered on the
// interface thread, else inline.
void RunTriggers(const char* line, WindowRecord* window) {
    auto* job = new ScriptTriggerJob{line, window};
    if (OnInterfaceThread()) {
        const auto worker = HandlingRemoteText() ? RemoteTriggerThread : RunTriggerScriptThread;
        const uintptr_t thread = _beginthreadex(nullptr, 0, worker, job, 0, nullptr);
        if (thread) {
            CloseHandle(reinterpret_cast<HANDLE>(thread));
            return;
        }
    }
    RunTriggerScriptThread(job);
}

std::wstring OwnNickOf(const WindowRecord* window) {
    const ServerConnection* connection = window->Server ? window->Server->Connection : nullptr;
    if (connection) return NarrowToWide(connection->OwnNick, DefaultCodePage.load());
    if (window->Dcc) return NarrowToWide(window->Dcc->LocalName, DefaultCodePage.load());
    return {};
}

void EchoOwnLine(const std::string& text, WindowRecord* window, uint8_t chatLine) {
    std::wstring line;
    FormatEventLine(window, line, kOwnMessageLine, text, {window->Name}, UserAddress{});
    const std::wstring nick = OwnNickOf(window);
    PrintToWindow(kOwnMessageLine, window, line, {.ChatLine = chatLine != 0, .Sender = &nick});
}

// Whether the window's server session can carry what is said there now: a server window needs
// the connection, a channel or query a registered one (before that the server takes no message).
bool SessionCarries(const WindowRecord* window) {
    const ServerConnection* connection = ConnectionOfWindow(window);
    if (!connection || !connection->Socket.load()) return false;
    return window->Type == kServerWindow || connection->Registered;
}

void SayPlainText(const std::string& text, WindowRecord* window) {
    const bool toServer =
        window->Type == kServerWindow || window->Type == kChannelWindow || window->Type == kQueryWindow;
    // Text that would go nowhere is never shown as said.
    if (toServer && !SessionCarries(window)) {
        PrintToWindow(kInformationLine, window, GetLangString(kNotSentText));
        return;
    }
    switch (window->Type) {
        case kServerWindow: SendServerLine(text + "\r\n", window, 0); return;
        case kChannelWindow:
        case kQueryWindow:
            SendServerLine("PRIVMSG " + window->Name + " :" + text + "\r\n", window, 0);
            EchoOwnLine(text, window, 1);
            break;
        case kDccChatWindow: {
            const std::string line = text + "\r\n";
            DccChatSend(line.data(), window, static_cast<uint32_t>(line.size()));
            EchoOwnLine(text, window, 0);
            break;
        }
        default: return;
    }
    if (window->SpeakIncoming) SpeakText(NarrowToWide(text));
}

} // namespace

void commands::ProcessInputLine(const char* line, WindowRecord* window, InputOptions options) {
    if (!line) return;
    std::string text(line);
    TrimStringCrLf(text);
    // A line break inside the line would end the server line early and start another command:
    // the pieces go through one by one, as if typed on lines of their own.
    if (text.find_first_of("\r\n") != std::string::npos) {
        const std::string marks = OutsideMarksOf(text);
        for (const std::string_view piece : CutAtLineEnds(text)) {
            const std::string one(piece);
            const LineMarksScope pieceMarks(
                one, marks.substr(static_cast<size_t>(piece.data() - text.data()), one.size()));
            commands::ProcessInputLine(one.c_str(), window, options);
        }
        return;
    }
    if (OnInputSwallows(line, text, window)) return;
    if (commands::ExecuteCommand(text.c_str(), window ? window->Server : nullptr, nullptr, nullptr)) return;
    if (!window) return;
    if (!text.empty() && text[0] == '/' && !options.NoTriggers) return RunTriggers(line, window);
    SayPlainText(text, window);
}

void commands::ExecuteInputText(WindowRecord* window, const std::wstring& text, InputOptions options) {
    if (!window) return;
    if (window->Popup) {
        DestroyWindow(window->Popup);
        window->Popup = nullptr;
    }
    const UINT codePage = window->CodePage >= 0 ? static_cast<UINT>(window->CodePage)
                          : options.PreferUtf8  ? CP_UTF8
                                                : DefaultCodePage.load();
    for (const std::wstring_view piece : CutAtLineEnds(std::wstring_view(text))) {
        const std::string narrow = WideToNarrow(piece.data(), piece.size(), codePage);
        commands::ProcessInputLine(narrow.c_str(), window, options);
    }
}

extern "C" void __cdecl PluginInput(const char* line) {
    try {
        commands::ProcessInputLine(line, GetActiveWindowRecord());
    } catch (...) {
        // Nothing may return into the plug-in as an exception.
    }
}
