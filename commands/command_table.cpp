#include "commands/command_table.h"

#include "commands/client_command_handlers.h"
#include "commands/command_handlers.h"
#include "common/text_compare.h"
#include "core/remote_text.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr RemoteText kRuns = RemoteText::Runs;
constexpr RemoteText kRefused = RemoteText::Refused;

// The two files of "/protect" and "/deprotect"; the pass phrase after them is data.
constexpr CapabilityWords kFilesAndCommandWord{0b111u, 0};

// Words, whether the row needs the user's own words and where (command_table.h), least words,
// exactly that many, handler. A nick, a mask or a message is data; a program, a path, a URL, a
// script, a plug-in, a setting or the kind of a DCC offer chooses what happens.
constexpr CommandRow kCommandTable[] = {
    {"/eval //", kRefused, kEveryWord, 2, false, EvalCommand},
    {"/prefix", kRuns, kNoWord, 2, false, PrefixCommand},
    {"/emulateserver", kRuns, kNoWord, 2, false, EmulateServerCommand},
    {"/run", kRefused, kEveryWord, 2, false, RunCommand},
    {"/shellexecute", kRefused, kEveryWord, 3, false, ShellExecuteCommand},
    {"/fetch /sfetch", kRefused, kEveryWord, 3, false, FetchCommand},
    {"/names", kRuns, kNoWord, 1, true, NamesCommand},
    {"/disconnect", kRuns, kNoWord, 1, false, DisconnectCommand},
    {"/reconnect", kRuns, kNoWord, 1, false, ReconnectCommand},
    {"/server", kRuns, kNoWord, 1, false, ServerCommand},
    {"/font /ffont /lbfont /tabfont /bfont /ifont", kRefused, kEveryWord, 1, false, FontsCommand},
    {"/color /tcolor /fgcolor /lbgfcolor /lbbgcolor /infgcolor /inbgcolor", kRefused, kEveryWord, 1, false,
     ColorsCommand},
    {"/quit", kRuns, kNoWord, 1, false, QuitCommand},
    {"/away", kRuns, kNoWord, 2, false, AwayCommand},
    {"/join", kRuns, kNoWord, 1, true, JoinCommand},
    {"/invite", kRuns, kNoWord, 2, true, InviteCommand},
    {"/topic", kRuns, kNoWord, 1, false, TopicCommand},
    {"/kick", kRuns, kNoWord, 1, false, KickCommand},
    {"/me /action", kRuns, kNoWord, 2, false, ActionCommand},
    {"/dccmsg", kRuns, kNoWord, 3, false, DccMessageCommand},
    {"/msg /privmsg /note /notice", kRuns, kNoWord, 3, false, MessageCommand},
    {"/sound", kRuns, kNoWord, 2, false, SoundCommand},
    {"/ctcp", kRuns, kNoWord, 3, false, CtcpCommand},
    {"/ctcpreply", kRuns, kNoWord, 3, false, CtcpReplyCommand},
    {"/part /leave", kRuns, kNoWord, 1, false, PartCommand},
    {"/timer", kRuns, kNoWord, 1, false, TimerCommand},
    {"/play", kRuns, kNoWord, 2, false, PlayCommand},
    {"/clear /close", kRuns, kNoWord, 1, false, ClearCommand},
    {"/destroystaticvariable", kRuns, kNoWord, 2, false, DestroyStaticVariableCommand},
    {"/destroyglobalvariable", kRuns, kNoWord, 2, false, DestroyGlobalVariableCommand},
    {"/runscript", kRefused, kEveryWord, 2, false, RunScriptCommand},
    {"/raw /quote", kRuns, kNoWord, 2, false, RawCommand},
    {"/setuserlevel /setuserenemylevel /setuserfriendlevel /setuserident /setuserdomain /setuserdata "
     "/setuserstring",
     kRuns, kNoWord, 2, false, SetUserCommand},
    {"/define", kRuns, kNoWord, 3, false, DefineCommand},
    {"/undefine", kRuns, kNoWord, 2, false, UndefineCommand},
    {"/protect", kRefused, kFilesAndCommandWord, 4, false, ProtectCommand},
    {"/loadplugins", kRefused, kEveryWord, 1, false, LoadPluginsCommand},
    {"/unloadplugins", kRefused, kEveryWord, 1, false, UnloadPluginsCommand},
    {"/deprotect", kRefused, kFilesAndCommandWord, 4, false, ProtectCommand},
    {"/wallv /wallo /wallop /wallq /wallexo /wallexv", kRuns, kNoWord, 3, false, WallCommand},
    {"/opnotice /pops", kRuns, kNoWord, 2, false, OpNoticeCommand},
    {"/awin /achan", kRuns, kNoWord, 3, false, DisplayAllCommand},
    {"/display /addtext /addtextw /say", kRuns, kNoWord, 3, false, DisplayCommand},
    {"/sendobjectkill", kRefused, kEveryWord, 3, false, SendObjectKillCommand},
    {"/getobject /ffetch", kRefused, kEveryWord, 6, false, GetObjectCommand},
    {"/sendobject", kRefused, CommandWordAndFrom(2), 3, false, SendObjectCommand},
    {"/installscript", kRefused, kEveryWord, 2, false, InstallScriptCommand},
    {"/installskin", kRefused, kEveryWord, 1, false, InstallSkinCommand},
    {"/encoding /charset", kRuns, kNoWord, 2, false, EncodingCommand},
    {"/utf8", kRuns, kNoWord, 1, false, Utf8Command},
    {"/lag", kRuns, kNoWord, 1, false, LagCommand},
    {"/debug", kRefused, kEveryWord, 2, false, DebugCommand},
    {"/prefs /preferences", kRefused, kEveryWord, 1, false, PreferencesCommand},
    {"/query /fquery", kRuns, kNoWord, 2, false, QueryCommand},
    {"/ignore /notify /blacklist /autoop /autovp /autovoice /nottalk /talknotify", kRefused, kCommandWord, 2,
     false, UserListCommand},
    {"/plugin", kRefused, kEveryWord, 2, false, PluginPathCommand},
    {"/send /tsend", kRefused, CommandWordAndFrom(2), 3, false, SendFileCommand},
    {"/dns", kRuns, kNoWord, 2, false, DnsCommand},
    {"/tchat", kRefused, kEveryWord, 2, false, TestChatCommand},
    {"/chat /sslchat /schat", kRefused, kCommandWord, 2, false, ChatCommand},
    {"/dcc /icc /dcc4 /icc4 /dcc6 /icc6", kRefused, CommandWordAndFrom(2), 3, false, DccCommand},
    {"/_set", kRuns, kNoWord, 3, false, SetAddressCommand},
    {"/_script", kRefused, kEveryWord, 2, false, TriggerScriptCommand},
};

// A row's decision can only be one of the two: a value cast from a number fails here. A refused
// row names its capability words, its command word among them; a row that runs names none.
constexpr bool EveryRowDecides() {
    for (const CommandRow& row : kCommandTable) {
        if (row.Remote != kRuns && row.Remote != kRefused) return false;
        if (row.Remote == kRefused && !row.Capability.Has(0)) return false;
        if (row.Remote == kRuns && (row.Capability.Words != 0 || row.Capability.From != 0)) return false;
    }
    return true;
}
static_assert(EveryRowDecides(), "every command row says whether and where it needs the user's own words");

bool RowHasWord(const CommandRow& row, const std::string& word) {
    const char* at = row.Words;
    while (*at) {
        const char* end = std::strchr(at, ' ');
        const size_t length = end ? static_cast<size_t>(end - at) : std::strlen(at);
        if (length == word.size()) {
            size_t i = 0;
            while (i < length && FoldByte(static_cast<unsigned char>(at[i])) ==
                                     FoldByte(static_cast<unsigned char>(word[i])))
                ++i;
            if (i == length) return true;
        }
        if (!end) break;
        at = end + 1;
    }
    return false;
}

} // namespace

std::string OutsideCapabilityWord(const CommandRow& row, std::string_view line, std::string_view marks) {
    if (row.Remote != kRefused) return {};
    size_t word = 0, at = 0;
    while (at < line.size()) {
        if (line[at] == ' ') {
            ++at;
            continue;
        }
        const size_t end = std::min(line.find(' ', at), line.size());
        if (row.Capability.Has(word) && end <= marks.size() && HasOutsideByte(marks.substr(at, end - at)))
            return std::string(line.substr(at, end - at));
        ++word;
        at = end;
    }
    return {};
}

const CommandRow* FindCommandRow(const std::string& word) {
    for (const CommandRow& row : kCommandTable)
        if (RowHasWord(row, word)) return &row;
    return nullptr;
}

std::span<const CommandRow> CommandRows() {
    return kCommandTable;
}
