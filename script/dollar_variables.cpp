#include "script/dollar_variables.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/list_tree_helpers.h"
#include "common/text_replace.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "irc/user_address.h"
#include "core/window_list.h"
#include "core/client_services.h"

#include <commctrl.h>

#include <optional>

namespace {

enum class Name {
    TotalWindows,
    ActivatedWindow,
    AppActive,
    TotalChannels,
    TotalQueries,
    UserMode,
    Socket,
    Channel,
    MyNick,
    MyIdent,
    MyMail,
    MyDomain,
    Server,
    MyNotifyIp,
    MyNotifyIp6,
    MyIp,
    MyIp6,
    Version,
    Build,
    CrLf,
    Dir,
    Zero,
    Remain,
    PrefIni,
    PrefIniX,
    Year,
    Month,
    Day,
    Hour,
    Minute,
    Second,
    Millisecond,
    Nick,
    Ident,
    Domain,
    Target,
    SelectedNick,
    SelectedNickClear,
};

struct NameRow {
    const char* Text; // without the '$'; compared exactly
    Name Id;
};

const NameRow kNames[] = {
    {"totalwindowsactive", Name::TotalWindows},
    {"activatedwindow", Name::ActivatedWindow},
    {"apparative", Name::AppActive},
    {"totalchannels", Name::TotalChannels},
    {"totalqueries", Name::TotalQueries},
    {"usermode", Name::UserMode},
    {"socket", Name::Socket},
    {"channel", Name::Channel},
    {"mynick", Name::MyNick},
    {"me", Name::MyNick},
    {"myident", Name::MyIdent},
    {"mymail", Name::MyMail},
    {"mydomain", Name::MyDomain},
    {"server", Name::Server},
    {"serveraddr", Name::Server},
    {"mynotifyip", Name::MyNotifyIp},
    {"mynotifyip6", Name::MyNotifyIp6},
    {"myip", Name::MyIp},
    {"myip6", Name::MyIp6},
    {"version", Name::Version},
    {"build", Name::Build},
    {"CRLF", Name::CrLf},
    {"dir", Name::Dir},
    {"overload", Name::Zero},
    {"crashnum", Name::Zero},
    {"mcrashnum", Name::Zero},
    {"remain", Name::Remain},
    {"prefini", Name::PrefIni},
    {"prefinix", Name::PrefIniX},
    {"year", Name::Year},
    {"month", Name::Month},
    {"day", Name::Day},
    {"hour", Name::Hour},
    {"minute", Name::Minute},
    {"second", Name::Second},
    {"msecond", Name::Millisecond},
    {"nick", Name::Nick},
    {"ident", Name::Ident},
    {"domain", Name::Domain},
    {"IP", Name::Domain},
    {"target", Name::Target},
    {"snick", Name::SelectedNick},
    {"ssnick", Name::SelectedNickClear},
};

bool IsWordChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '\'';
}

bool EndsWord(const std::string& text, size_t at) {
    return at >= text.size() || (!IsWordChar(text[at]) && text[at] != '[');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

ServerConnection* ConnectionOf(WindowRecord* connectionWindow) {
    if (!connectionWindow) return nullptr;
    if (connectionWindow->Server && connectionWindow->Server->Connection)
        return connectionWindow->Server->Connection;
    return connectionWindow->Connection;
}

bool BelongsTo(const WindowRecord* record, const ServerConnection* connection) {
    return connection &&
           (record->Connection == connection || (record->Server && record->Server->Connection == connection));
}

std::string Utf8Path(const std::wstring& folder, const wchar_t* file) {
    return WideToNarrow(folder + L"\\" + file);
}

// The nick of the first selected line of the window's nick list; empty when none is selected.
std::string SelectedNick(WindowRecord* window, bool clear) {
    if (!window || !window->NickList) return std::string();
    int item = static_cast<int>(SendMessageW(window->NickList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                             MAKELPARAM(LVNI_SELECTED, 0)));
    std::string nick;
    if (item >= 0) nick = WideToNarrow(ListViewItemText(window->NickList, item, 0));
    if (clear) ListViewClearSelection(window->NickList);
    return nick;
}

// Everything one line's expansion may read, gathered only when a name asks for it.
class Values {
public:
    Values(WindowRecord* connectionWindow, WindowRecord* window, const std::string& parameters)
        : connectionWindow_(connectionWindow), window_(window), connection_(ConnectionOf(connectionWindow)),
          parameters_(parameters) {}

    const std::vector<ParameterWord>& Words() {
        if (!words_) words_ = SplitParameterWords(parameters_);
        return *words_;
    }

    const std::string& Parameters() const { return parameters_; }

    std::string Of(Name id) {
        const ServerConnection* c = connection_;
        auto field = [c](std::string ServerConnection::*member) { return c ? c->*member : std::string(); };
        switch (id) {
            case Name::TotalWindows: {
                WindowListReadLock lock(WindowListMutex());
                return std::to_string(static_cast<uint64_t>(WindowList.size()));
            }
            case Name::ActivatedWindow:
                return std::to_string(
                    static_cast<uint64_t>(FindWindowRecordIndex(window_ ? window_->Name : std::string(), c)));
            case Name::AppActive: return IsAppForeground() ? "1" : "0";
            case Name::TotalChannels: return std::to_string(CountWindows(kChannelWindow));
            case Name::TotalQueries: return std::to_string(CountWindows(kQueryWindow));
            case Name::UserMode: return field(&ServerConnection::OwnUserModes);
            case Name::Socket: return std::to_string(c ? static_cast<uint64_t>(c->Socket.load()) : 0);
            case Name::Channel: {
                const auto& w = Words();
                if (w.size() >= 3 && !w[2].Text.empty() && w[2].Text[0] == '#') return w[2].Text;
                return window_ ? window_->Name : std::string();
            }
            case Name::MyNick: return field(&ServerConnection::OwnNick);
            case Name::MyIdent: return field(&ServerConnection::ReportedUser);
            case Name::MyMail: return field(&ServerConnection::MailAddress);
            case Name::MyDomain: return field(&ServerConnection::ReportedHost);
            case Name::Server: {
                WindowRecord* server = connectionWindow_ && connectionWindow_->Server
                                           ? connectionWindow_->Server
                                           : connectionWindow_;
                return server ? server->Name : std::string();
            }
            case Name::MyNotifyIp: return field(&ServerConnection::ReportedIPv4);
            case Name::MyNotifyIp6: return field(&ServerConnection::ReportedIPv6);
            case Name::MyIp: return field(&ServerConnection::LocalIPv4);
            case Name::MyIp6: return field(&ServerConnection::LocalIPv6);
            case Name::Version: return "7";
            case Name::Build: return "94";
            case Name::CrLf: return "\r\n";
            case Name::Dir: {
                std::string dir = WideToNarrow(UserDataFolder);
                return DoubleBackslashes(dir);
            }
            case Name::Zero: return "0";
            case Name::Remain: {
                if (!connection_) return "0";
                std::lock_guard<std::mutex> lock(connection_->QueueMutex);
                return std::to_string(static_cast<uint64_t>(connection_->SendQueue.size()));
            }
            case Name::PrefIni: return Utf8Path(UserDataFolder, L"qv.ini");
            case Name::PrefIniX: return Utf8Path(UserDataFolder, L"qv.xml");
            case Name::Year: return std::to_string(Time().wYear);
            case Name::Month: return std::to_string(Time().wMonth);
            case Name::Day: return std::to_string(Time().wDay);
            case Name::Hour: return std::to_string(Time().wHour);
            case Name::Minute: return std::to_string(Time().wMinute);
            case Name::Second: return std::to_string(Time().wSecond);
            case Name::Millisecond: return std::to_string(Time().wMilliseconds);
            case Name::Nick: return Sender().Nick;
            case Name::Ident: return Sender().User;
            case Name::Domain: return Sender().Host;
            case Name::Target:
                if (window_ && !window_->NickList) return window_->Name;
                return SelectedNick(window_, false);
            case Name::SelectedNick: return SelectedNick(window_, false);
            case Name::SelectedNickClear: return SelectedNick(window_, true);
        }
        return std::string();
    }

private:
    uint64_t CountWindows(uint32_t type) {
        WindowListReadLock lock(WindowListMutex());
        uint64_t count = 0;
        for (const WindowRecord* r : WindowList)
            if (r->Type == type && BelongsTo(r, connection_)) ++count;
        return count;
    }

    const SYSTEMTIME& Time() {
        if (!time_) {
            time_.emplace();
            GetLocalTime(&*time_);
        }
        return *time_;
    }

    const UserAddress& Sender() {
        if (!sender_) {
            sender_.emplace();
            const auto& w = Words();
            if (!w.empty() && !w[0].Text.empty() && w[0].Text[0] == ':') {
                ParseIrcPrefix(w[0].Text, *sender_); // "$domain" and "$IP" both read the host
            } else if (w.size() > 1) {
                sender_->Nick = w[1].Text;
            }
        }
        return *sender_;
    }

    WindowRecord* connectionWindow_;
    WindowRecord* window_;
    ServerConnection* connection_;
    const std::string& parameters_;
    std::optional<std::vector<ParameterWord>> words_;
    std::optional<SYSTEMTIME> time_;
    std::optional<UserAddress> sender_;
};

// The parameter forms "$N*", "$N" and "$argv[N]" at position at (the '$'); returns the length
// of the name and writes the value, or 0 when nothing is replaced there.
size_t MatchParameter(const ScriptText& line, size_t at, Values& values, std::string& value) {
    const std::string& t = line.Text;
    size_t p = at + 1;
    const bool argv = line.WrittenMatch(p, "argv[");
    if (argv) p += 5;
    size_t digits = p;
    while (digits < t.size() && IsDigit(t[digits]) && line.IsWritten(digits)) ++digits;
    if (digits == p || digits - p > 9 || (digits - p > 1 && t[p] == '0')) return 0;
    uint64_t n = std::stoull(t.substr(p, digits - p));
    size_t end = digits;
    if (argv) {
        if (!line.WrittenAt(end, ']') || n == 0) return 0;
        ++end;
        --n;
    }
    const auto& words = values.Words();
    if (n >= words.size()) return 0;
    if (!argv && line.WrittenAt(end, '*') && EndsWord(t, end + 1)) {
        value = values.Parameters().substr(words[n].Start);
        return end + 1 - at;
    }
    if (!EndsWord(t, end)) return 0;
    value = words[n].Text;
    return end - at;
}

// The program's own values: counts, its folders and files, the time, its version. The others
// (nicks, names, addresses, modes) are what a server or a peer told it.
bool IsOwnValue(Name id) {
    switch (id) {
        case Name::TotalWindows:
        case Name::ActivatedWindow:
        case Name::AppActive:
        case Name::TotalChannels:
        case Name::TotalQueries:
        case Name::Socket:
        case Name::MyIp:
        case Name::MyIp6:
        case Name::Version:
        case Name::Build:
        case Name::CrLf:
        case Name::Dir:
        case Name::Zero:
        case Name::Remain:
        case Name::PrefIni:
        case Name::PrefIniX:
        case Name::Year:
        case Name::Month:
        case Name::Day:
        case Name::Hour:
        case Name::Minute:
        case Name::Second:
        case Name::Millisecond: return true;
        default: return false;
    }
}

size_t MatchName(const ScriptText& line, size_t at, Values& values, std::string& value, bool& own) {
    const std::string& t = line.Text;
    if (at + 1 >= t.size()) return 0;
    for (const NameRow& row : kNames) {
        if (row.Text[0] != t[at + 1]) continue;
        std::string_view name(row.Text);
        if (!line.WrittenMatch(at + 1, name) || !EndsWord(t, at + 1 + name.size())) continue;
        value = values.Of(row.Id);
        own = IsOwnValue(row.Id);
        return 1 + name.size();
    }
    return 0;
}

} // namespace

std::vector<ParameterWord> SplitParameterWords(const std::string& parameters) {
    std::vector<ParameterWord> words;
    std::vector<uint32_t> quotes;
    for (size_t i = 0; i < parameters.size(); ++i)
        if (parameters[i] == '"' || parameters[i] == '\'') quotes.push_back(static_cast<uint32_t>(i));
    auto quoted = [&quotes](size_t at) {
        for (size_t i = 0; i + 1 < quotes.size(); i += 2)
            if (at >= quotes[i] && at <= quotes[i + 1]) return true;
        return false;
    };
    size_t start = 0;
    for (size_t i = 0; i <= parameters.size(); ++i) {
        if (i < parameters.size() && (parameters[i] != ' ' || quoted(i))) continue;
        if (i > start) words.push_back({parameters.substr(start, i - start), start});
        start = i + 1;
    }
    return words;
}

void ExpandDollarVariables(WindowRecord* connectionWindow, WindowRecord* window, ScriptText& line,
                           const std::string& parameters, uint8_t noQuotes) {
    const std::string& t = line.Text;
    if (t.find('$') == std::string::npos) return;
    const bool quote = !noQuotes && !t.empty() && t[0] != '/' && t[0] != '\\';
    Values values(connectionWindow, window, parameters);
    std::optional<std::string> prompted; // asked once per line, at the first "$?"
    bool promptCancelled = false;

    // The line is copied only once a name was found, in runs up to each match.
    ScriptText out;
    size_t copied = 0;
    bool changed = false;
    for (size_t i = 0; i < t.size(); ++i) {
        size_t length = 0;
        std::string value;
        bool own = false;
        if (line.WrittenAt(i, '$') && (i == 0 || !IsWordChar(t[i - 1]))) {
            if (line.WrittenAt(i + 1, '?') && EndsWord(t, i + 2)) {
                if (!prompted && !promptCancelled) {
                    wchar_t answer[1000] = {};
                    if (PromptText(MainWindow.load(), L"", L"", answer, 1000, 0)) {
                        prompted = WideToNarrow(answer);
                    } else {
                        promptCancelled = true;
                    }
                }
                if (prompted) {
                    value = *prompted; // what the user answered
                    length = 2;
                    own = true;
                }
            } else if (i + 1 < t.size() && (IsDigit(t[i + 1]) || t[i + 1] == 'a')) {
                length = MatchParameter(line, i, values, value);
            }
            if (!length) length = MatchName(line, i, values, value, own);
        }
        if (!length) continue;
        out.AppendFrom(line, copied, i - copied);
        changed = true;
        AppendValue(out, value, quote, own ? ValueSource::Own : ValueSource::Inserted);
        i += length - 1;
        copied = i + 1;
    }
    if (!changed) return;
    out.AppendFrom(line, copied, std::string::npos);
    line = std::move(out);
}
