#include "views/event_format.h"

#include "common/app_state.h"
#include "common/text_replace.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "core/line_kind.h"
#include "core/settings.h"
#include "core/remote_text.h"
#include "core/window_list.h"
#include "markup/untrusted_text.h"

#include <array>
#include <iterator>

namespace {

enum Variable { kNick, kIdent, kIp, kDomain, kChannel, kMessage, kVictim, kTarget, kVariableCount };

const char* const kVariableNames[kVariableCount] = {"$nick",    "$ident",   "$ip",     "$domain",
                                                    "$channel", "$message", "$victim", "$target"};

std::string Word(const std::vector<std::string>& words, size_t index) {
    return index < words.size() ? words[index] : std::string();
}

// The code page of the window the line belongs to: a DCC chat's own (else the default); for
// others the code page of the connection's window named by the target word, else the default.
UINT LineCodePage(const WindowRecord* record, const std::string& targetWord) {
    UINT fallback = DefaultCodePage.load();
    if (!record) return fallback;
    if (record->Dcc) return record->CodePage >= 0 ? static_cast<UINT>(record->CodePage) : fallback;
    const ServerConnection* connection = record->Server ? record->Server->Connection : record->Connection;
    int32_t codePage = FindWindowCodePage(targetWord, connection);
    return codePage >= 0 ? static_cast<UINT>(codePage) : fallback;
}

std::string Recode(const std::string& text, UINT codePage) {
    return WideToNarrow(NarrowToWide(text, codePage));
}

std::string OwnNick(const WindowRecord* record) {
    const WindowRecord* server = record ? record->Server : nullptr;
    if (server && server->Connection) return server->Connection->OwnNick;
    return std::string();
}

// Every variable's value for the kind, taken from the line and the window.
std::array<std::string, kVariableCount> VariableValues(const WindowRecord* record, LineKind kind,
                                                       const std::string& message,
                                                       const std::vector<std::string>& words,
                                                       const UserAddress& sender) {
    std::array<std::string, kVariableCount> v;
    v[kNick] = kind == kOwnMessageLine ? OwnNick(record) : sender.Nick;
    v[kIdent] = sender.User;
    v[kIp] = sender.Host;
    v[kDomain] = sender.Host;
    switch (kind) {
        case kOwnMessageLine:
            v[kMessage] = Recode(message, LineCodePage(record, words.empty() ? std::string() : words[0]));
            break;
        case kMessageLine: v[kMessage] = Recode(Word(words, 3), LineCodePage(record, Word(words, 2))); break;
        case kJoinLine:
        case kPartLine: v[kChannel] = Word(words, 2); break;
        case kModeLine:
        case kSilenceLine: v[kMessage] = message; break;
        case kTopicLine:
        case kQuitLine:
        case kNickLine: v[kMessage] = message; break;
        case kKickLine:
            v[kChannel] = Word(words, 2);
            v[kMessage] = message;
            v[kVictim] = v[kTarget] = Word(words, 3);
            break;
        case kNoticeLine: v[kMessage] = Word(words, 3); break;
        case kKillLine:
            v[kMessage] = message;
            v[kVictim] = v[kTarget] = Word(words, 2);
            break;
        case kActionLine: {
            // "\x01ACTION text\x01": the text after "ACTION" and its one blank, without the
            // closing code (the format puts its own blank between the nick and the text).
            std::string word = Word(words, 3);
            if (word.size() > 8) {
                std::string text = word.substr(7, word.size() - 8);
                if (!text.empty() && text[0] == ' ') text.erase(0, 1);
                v[kMessage] = text;
            }
            break;
        }
        case kInviteLine:
            v[kChannel] = message;
            v[kVictim] = v[kTarget] = Word(words, 2);
            break;
        default: break;
    }
    // The own typed text is the user's, unless text from outside said it through the user's
    // scripts; everything else came from a server or a peer.
    for (size_t i = 0; i < v.size(); ++i)
        v[i] =
            kind == kOwnMessageLine && i == kMessage ? CleanWhenFromOutside(v[i]) : CleanUntrustedText(v[i]);
    return v;
}

// One pass over the format: each variable name is replaced by its value, and inserted values
// are never searched again.
std::string Substitute(const std::string& format, const std::array<std::string, kVariableCount>& values) {
    std::string out;
    out.reserve(format.size());
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] == '$') {
            bool replaced = false;
            for (size_t v = 0; v < kVariableCount; ++v) {
                std::string_view name(kVariableNames[v]);
                if (format.compare(i, name.size(), name) == 0) {
                    out += values[v];
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
            if (replaced) continue;
        }
        out += format[i++];
    }
    return out;
}

} // namespace

void views::FormatEventLine(WindowRecord* window, std::wstring& out, LineKind kind,
                            const std::string& message, const std::vector<std::string>& words,
                            const UserAddress& sender) {
    if (kind >= std::size(kLineKindFormatKeys) || !kLineKindFormatKeys[kind]) return;
    std::string format = Settings::EventFormat(kLineKindFormatKeys[kind]);
    UnescapeString(format, false);
    out = NarrowToWide(Substitute(format, VariableValues(window, kind, message, words, sender)));
}
