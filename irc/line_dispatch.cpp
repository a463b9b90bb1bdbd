#include "irc/line_dispatch.h"

#include "core/remote_text.h"
#include "core/debug_level.h"
#include "common/app_state.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/incoming_triggers.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "core/window_list.h"
#include "core/window_record_use.h"
#include "core/client_services.h"
#include "markup/untrusted_text.h"
#include "core/settings.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace {

// A handler with the fewest parameters it reads.
struct HandlerRow {
    ServerLineHandler Handler = nullptr;
    size_t MinParams = 0;
};

struct HandlerTables {
    SRWLOCK Lock = SRWLOCK_INIT;
    std::unordered_map<int32_t, HandlerRow> Numerics;
    std::unordered_map<std::string, HandlerRow> Words; // folded keys
    CtcpAndDccFilter Filter = nullptr;
};

HandlerTables& Tables() {
    static HandlerTables tables;
    return tables;
}

class SharedTableLock {
public:
    SharedTableLock() { AcquireSRWLockShared(&Tables().Lock); }
    ~SharedTableLock() { ReleaseSRWLockShared(&Tables().Lock); }
};

class ExclusiveTableLock {
public:
    ExclusiveTableLock() { AcquireSRWLockExclusive(&Tables().Lock); }
    ~ExclusiveTableLock() { ReleaseSRWLockExclusive(&Tables().Lock); }
};

// Command words are keyed in folded case, so a lookup ignores case like every IRC word.
std::string FoldedKey(std::string_view word) {
    std::string key(word);
    for (char& c : key) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
    return key;
}

HandlerRow FindNumericHandler(int32_t numeric) {
    SharedTableLock lock;
    auto it = Tables().Numerics.find(numeric);
    return it == Tables().Numerics.end() ? HandlerRow{} : it->second;
}

HandlerRow FindWordHandler(const std::string& word) {
    const std::string key = FoldedKey(word);
    SharedTableLock lock;
    auto it = Tables().Words.find(key);
    return it == Tables().Words.end() ? HandlerRow{} : it->second;
}

CtcpAndDccFilter CurrentFilter() {
    SharedTableLock lock;
    return Tables().Filter;
}

// Server text: the program's own markup (links, colours, fonts) is taken out first.
void PrintInformation(WindowRecord* window, const std::string& text, UINT codePage) {
    PrintToWindow(kInformationLine, window, NarrowToWide(CleanUntrustedText(text), codePage));
}

void DebugEcho(const std::string& line, WindowRecord* window) {
    const uint32_t level = DebugLevel.load();
    if (level < 1) return;
    PrintInformation(window, line, DefaultCodePage.load());
    if (level < 2) return;
    if (FILE* log = std::fopen("c:\\s.log", "a+b")) {
        std::fwrite(line.data(), 1, line.size(), log);
        std::fwrite("\r\n", 1, 2, log);
        std::fclose(log);
    }
}

// A line without a prefix comes from the server before it has named itself: a notice ("NOTICE
// AUTH :*** Checking Ident") shows its text; any other line (an ERROR) is shown whole.
void PrintUnprefixedLine(const IrcMessage& message, WindowRecord* window) {
    const bool notice = StringEqualsNoCaseSz(message.Command, "NOTICE") && message.Params.size() >= 2;
    PrintInformation(window, notice ? message.Params.back() : message.Text, CP_UTF8);
}

// Answered at once, ahead of the flood queue, so a long queue cannot cost a ping time-out. The
// answer is one line: nothing in the token may end it early.
void SendPong(const IrcMessage& message, WindowRecord* window) {
    std::string token;
    if (!message.Params.empty())
        for (char c : message.Params.back())
            if (c != '\r' && c != '\n' && c != '\0') token += c;
    SendServerLine("PONG :" + token + "\r\n", window, 1);
}

void AnswerPing(const IrcMessage& message, WindowRecord* window, PingAnswer ping) {
    if (ping == PingAnswer::Owed) SendPong(message, window);
    if (Settings::ShowPingPong())
        PrintToWindow(kInformationLine, window, DisplayText().Heading(L"PING/PONG"));
}

// A handler is given only a line that holds the parameters it reads; a shorter line is shown
// as it came, like a line nobody claims. True when the line was shown; false also when there is
// no handler.
bool RunHandler(const HandlerRow& row, ServerLine& line) {
    if (!row.Handler) return false;
    if (line.Message.Params.size() < row.MinParams) {
        PrintInformation(line.Window, line.Message.Text, CP_UTF8);
        return true;
    }
    return row.Handler(line);
}

void Dispatch(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    const IrcMessage& message = line.Message;
    if (line.Numeric) {
        // Any reply but the notify answer ends the lag probe.
        if (line.Numeric != 303) {
            connection.LagProbePending = 0;
            connection.LagReported = 0;
        }
        if (!RunHandler(FindNumericHandler(line.Numeric), line) && message.Params.size() >= 2)
            PrintInformation(line.DisplayWindow, message.ParamsText(1), DefaultCodePage.load());
        return;
    }
    const HandlerRow row = FindWordHandler(message.Command);
    if (!row.Handler) return PrintInformation(line.Window, message.Text, CP_UTF8);
    RunHandler(row, line);
}

void RunChain(const std::string& text, WindowRecord* window, ServerConnection& connection, PingAnswer ping) {
    const IrcMessage message = ParseIrcMessage(text);

    DebugEcho(text, window);
    if (NotifyPluginsServerLine(GetWindowRecordIndex(window), text) == 1) return;
    if (CtcpAndDccFilter filter = CurrentFilter())
        if (filter(message, window)) return;
    if (RunIncomingTriggers(text, window)) return;

    if (StringEqualsNoCaseSz(message.Command, "PING")) return AnswerPing(message, window, ping);
    if (!message.HasPrefix()) return PrintUnprefixedLine(message, window);
    if (message.Command.empty()) return;

    ServerLine line{message, window, &connection, std::atoi(message.Command.c_str()), window};
    Dispatch(line);
}

} // namespace

void SetNumericHandler(int32_t numeric, ServerLineHandler handler, size_t minParams) {
    ExclusiveTableLock lock;
    if (handler)
        Tables().Numerics[numeric] = HandlerRow{handler, minParams};
    else
        Tables().Numerics.erase(numeric);
}

void SetCommandWordHandler(std::string_view word, ServerLineHandler handler, size_t minParams) {
    const std::string key = FoldedKey(word);
    ExclusiveTableLock lock;
    if (handler)
        Tables().Words[key] = HandlerRow{handler, minParams};
    else
        Tables().Words.erase(key);
}

void SetCtcpAndDccFilter(CtcpAndDccFilter filter) {
    ExclusiveTableLock lock;
    Tables().Filter = filter;
}

void ClearServerLineHandlers() {
    ExclusiveTableLock lock;
    Tables().Numerics.clear();
    Tables().Words.clear();
    Tables().Filter = nullptr;
}

bool AnswerPingAhead(const std::string& line, WindowRecord* window) {
    const IrcMessage message = ParseIrcMessage(line);
    if (!StringEqualsNoCaseSz(message.Command, "PING")) return false;
    SendPong(message, window);
    return true;
}

void HandleServerLine(const std::string& line, WindowRecord* window, PingAnswer ping) {
    ServerConnection* connection = window ? window->Connection : nullptr;
    if (!connection) return;
    // Whatever the line sets off (its triggers, event scripts, their commands) runs for it.
    RemoteTextScope remote;
    // The records its handlers find stay valid until it is handled, whatever window closes.
    WindowRecordUse use;
    try {
        RunChain(line, window, *connection, ping);
    } catch (...) {
        // An error ends the handling of this line only.
    }
}
