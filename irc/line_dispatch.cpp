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
#include "core/client_services.h"
#include "markup/untrusted_text.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace {

struct HandlerTables {
    SRWLOCK Lock = SRWLOCK_INIT;
    std::unordered_map<int32_t, ServerLineHandler> Numerics;
    std::unordered_map<std::string, ServerLineHandler> Words; // folded keys
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

ServerLineHandler FindNumericHandler(int32_t numeric) {
    SharedTableLock lock;
    auto it = Tables().Numerics.find(numeric);
    return it == Tables().Numerics.end() ? nullptr : it->second;
}

ServerLineHandler FindWordHandler(const std::string& word) {
    const std::string key = FoldedKey(word);
    SharedTableLock lock;
    auto it = Tables().Words.find(key);
    return it == Tables().Words.end() ? nullptr : it->second;
}

CtcpAndDccFilter CurrentFilter() {
    SharedTableLock lock;
    return Tables().Filter;
}

// A prefixed line is cut at its first three blanks (at most four words); any other line at
// every blank. Consecutive blanks give empty words.
void CutWords(const std::string& line, std::vector<std::string>& words) {
    const bool prefixed = !line.empty() && line[0] == ':';
    size_t start = 0;
    for (;;) {
        if (prefixed && words.size() == 3) {
            words.emplace_back(line, start);
            return;
        }
        const size_t blank = line.find(' ', start);
        if (blank == std::string::npos) {
            words.emplace_back(line, start);
            return;
        }
        words.emplace_back(line, start, blank - start);
        start = blank + 1;
    }
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

// Answered at once, ahead of the flood queue, so a long queue cannot cost a ping time-out.
void AnswerPing(const std::string& line, WindowRecord* window) {
    SendServerLine("PONG :" + PingParameter(line) + "\r\n", window, 1);
    if (XmlGetProfileInt("Cfg\\Options2", "Show_Ping_Pong", 0, nullptr, UserConfigDocument) == 1)
        PrintToWindow(kInformationLine, window, L"\x02\x12\x00B7\x12 PING/PONG \x12\x00B7\x12\x02");
}

void Dispatch(ServerLine& line) {
    ServerConnection& connection = *line.Connection;
    if (line.Numeric) {
        // Any reply but the notify answer ends the lag probe.
        if (line.Numeric != 303) {
            connection.LagProbePending = 0;
            connection.LagReported = 0;
        }
        if (ServerLineHandler handler = FindNumericHandler(line.Numeric)) handler(line);
        if (connection.ShowNumericText == 1 && line.Words.size() == 4) {
            std::string_view rest = line.Words[3];
            if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
            PrintInformation(line.DisplayWindow, std::string(rest), DefaultCodePage.load());
        }
        return;
    }
    if (ServerLineHandler handler = FindWordHandler(line.Words[1])) {
        handler(line);
        return;
    }
    if (connection.ShowNumericText == 1) PrintInformation(line.Window, line.Text, CP_UTF8);
}

void RunChain(const std::string& text, WindowRecord* window, ServerConnection& connection) {
    connection.ShowNumericText = 1;
    std::vector<std::string> words;
    CutWords(text, words);
    UserAddress sender;
    ParseIrcPrefix(words[0], sender);

    DebugEcho(text, window);
    if (NotifyPluginsServerLine(GetWindowRecordIndex(window), text) == 1) return;
    if (CtcpAndDccFilter filter = CurrentFilter())
        if (filter(text, window, sender)) return;
    if (RunIncomingTriggers(text, window)) return;

    const bool prefixed = !text.empty() && text[0] == ':';
    const bool ping = prefixed ? words.size() >= 2 && StringEqualsNoCaseSz(words[1], "PING")
                               : StringEqualsNoCaseSz(words[0], "PING");
    if (ping) return AnswerPing(text, window);
    if (!prefixed) return PrintInformation(window, text, CP_UTF8);
    if (words.size() < 2) return;

    ServerLine line{text, words, sender, window, &connection, std::atoi(words[1].c_str()), window};
    Dispatch(line);
}

} // namespace

void SetNumericHandler(int32_t numeric, ServerLineHandler handler) {
    ExclusiveTableLock lock;
    if (handler)
        Tables().Numerics[numeric] = handler;
    else
        Tables().Numerics.erase(numeric);
}

void SetCommandWordHandler(std::string_view word, ServerLineHandler handler) {
    const std::string key = FoldedKey(word);
    ExclusiveTableLock lock;
    if (handler)
        Tables().Words[key] = handler;
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

std::string PingParameter(std::string_view line) {
    // Skip the prefix and the command word.
    size_t at = 0;
    if (!line.empty() && line[0] == ':') {
        at = line.find(' ');
        if (at == std::string_view::npos) return {};
        while (at < line.size() && line[at] == ' ') ++at;
    }
    at = line.find(' ', at);
    std::string last;
    while (at != std::string_view::npos && at < line.size()) {
        while (at < line.size() && line[at] == ' ') ++at;
        if (at >= line.size()) break;
        if (line[at] == ':') {
            last.assign(line.substr(at + 1));
            break;
        }
        const size_t end = line.find(' ', at);
        last.assign(line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        at = end;
    }
    // The answer is one line: nothing in it may end it early.
    std::string clean;
    for (char c : last)
        if (c != '\r' && c != '\n' && c != '\0') clean += c;
    return clean;
}

void HandleServerLine(const std::string& line, WindowRecord* window) {
    ServerConnection* connection = window ? window->Connection : nullptr;
    if (!connection) return;
    // Whatever the line sets off (its triggers, event scripts, their commands) runs for it.
    RemoteTextScope remote;
    try {
        RunChain(line, window, *connection);
    } catch (...) {
        // An error ends the handling of this line only.
    }
}
