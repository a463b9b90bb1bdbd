#include "commands/command_table.h"

#include "commands/client_command_handlers.h"
#include "commands/command_handlers.h"
#include "common/text_compare.h"

#include <cstring>
#include <iterator>

namespace {

constexpr RemoteText kRuns = RemoteText::Runs;
constexpr RemoteText kRefused = RemoteText::Refused;

// Words, whether text from outside may run the row (command_table.h), least words, exactly that
// many, handler.
constexpr CommandRow kCommandTable[] = {
    {"/eval //", kRefused, 2, false, EvalCommand},
    {"/prefix", kRuns, 2, false, PrefixCommand},
    {"/emulateserver", kRuns, 2, false, EmulateServerCommand},
    {"/run", kRefused, 2, false, RunCommand},
    {"/shellexecute", kRefused, 3, false, ShellExecuteCommand},
    {"/fetch /sfetch", kRefused, 3, false, FetchCommand},
    {"/names", kRuns, 1, true, NamesCommand},
    {"/disconnect", kRuns, 1, false, DisconnectCommand},
    {"/reconnect", kRuns, 1, false, ReconnectCommand},
    {"/server", kRuns, 1, false, ServerCommand},
    {"/font /ffont /lbfont /tabfont /bfont /ifont", kRefused, 1, false, FontsCommand},
    {"/color /tcolor /fgcolor /lbgfcolor /lbbgcolor /infgcolor /inbgcolor", kRefused, 1, false,
     ColorsCommand},
    {"/quit", kRuns, 1, false, QuitCommand},
    {"/away", kRuns, 2, false, AwayCommand},
    {"/join", kRuns, 1, true, JoinCommand},
    {"/invite", kRuns, 2, true, InviteCommand},
    {"/topic", kRuns, 1, false, TopicCommand},
    {"/kick", kRuns, 1, false, KickCommand},
    {"/me /action", kRuns, 2, false, ActionCommand},
    {"/dccmsg", kRuns, 3, false, DccMessageCommand},
    {"/msg /privmsg /note /notice", kRuns, 3, false, MessageCommand},
    {"/sound", kRuns, 2, false, SoundCommand},
    {"/ctcp", kRuns, 3, false, CtcpCommand},
    {"/ctcpreply", kRuns, 3, false, CtcpReplyCommand},
    {"/part /leave", kRuns, 1, false, PartCommand},
    {"/timer", kRuns, 1, false, TimerCommand},
    {"/play", kRuns, 2, false, PlayCommand},
    {"/clear /close", kRuns, 1, false, ClearCommand},
    {"/destroystaticvariable", kRuns, 2, false, DestroyStaticVariableCommand},
    {"/destroyglobalvariable", kRuns, 2, false, DestroyGlobalVariableCommand},
    {"/runscript", kRefused, 2, false, RunScriptCommand},
    {"/raw /quote", kRuns, 2, false, RawCommand},
    {"/setuserlevel /setuserenemylevel /setuserfriendlevel /setuserident /setuserdomain /setuserdata "
     "/setuserstring",
     kRuns, 2, false, SetUserCommand},
    {"/define", kRuns, 3, false, DefineCommand},
    {"/undefine", kRuns, 2, false, UndefineCommand},
    {"/protect", kRefused, 4, false, ProtectCommand},
    {"/loadplugins", kRefused, 1, false, LoadPluginsCommand},
    {"/unloadplugins", kRefused, 1, false, UnloadPluginsCommand},
    {"/deprotect", kRefused, 4, false, ProtectCommand},
    {"/wallv /wallo /wallop /wallq /wallexo /wallexv", kRuns, 3, false, WallCommand},
    {"/opnotice /pops", kRuns, 2, false, OpNoticeCommand},
    {"/awin /achan", kRuns, 3, false, DisplayAllCommand},
    {"/display /addtext /addtextw /say", kRuns, 3, false, DisplayCommand},
    {"/sendobjectkill", kRefused, 3, false, SendObjectKillCommand},
    {"/getobject /ffetch", kRefused, 6, false, GetObjectCommand},
    {"/sendobject", kRefused, 3, false, SendObjectCommand},
    {"/installscript", kRefused, 2, false, InstallScriptCommand},
    {"/installskin", kRefused, 1, false, InstallSkinCommand},
    {"/encoding /charset", kRuns, 2, false, EncodingCommand},
    {"/utf8", kRuns, 1, false, Utf8Command},
    {"/lag", kRuns, 1, false, LagCommand},
    {"/debug", kRefused, 2, false, DebugCommand},
    {"/prefs /preferences", kRefused, 1, false, PreferencesCommand},
    {"/query /fquery", kRuns, 2, false, QueryCommand},
    {"/ignore /notify /blacklist /autoop /autovp /autovoice /nottalk /talknotify", kRefused, 2, false,
     UserListCommand},
    {"/plugin", kRefused, 2, false, PluginPathCommand},
    {"/send /tsend", kRefused, 3, false, SendFileCommand},
    {"/dns", kRuns, 2, false, DnsCommand},
    {"/tchat", kRefused, 2, false, TestChatCommand},
    {"/chat /sslchat /schat", kRefused, 2, false, ChatCommand},
    {"/dcc /icc /dcc4 /icc4 /dcc6 /icc6", kRefused, 3, false, DccCommand},
    {"/_set", kRuns, 3, false, SetAddressCommand},
    {"/_script", kRefused, 2, false, TriggerScriptCommand},
};

// A row's decision can only be one of the two: a value cast from a number fails here.
constexpr bool EveryRowDecides() {
    for (const CommandRow& row : kCommandTable)
        if (row.Remote != kRuns && row.Remote != kRefused) return false;
    return true;
}
static_assert(EveryRowDecides(), "every command row says whether it runs for text from outside");

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

const CommandRow* FindCommandRow(const std::string& word) {
    for (const CommandRow& row : kCommandTable)
        if (RowHasWord(row, word)) return &row;
    return nullptr;
}

std::span<const CommandRow> CommandRows() {
    return kCommandTable;
}
