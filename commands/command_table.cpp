#include "commands/command_table.h"

#include "commands/client_command_handlers.h"
#include "commands/command_handlers.h"
#include "common/text_compare.h"

#include <cstring>
#include <iterator>

namespace {

constexpr CommandRow kCommandTable[] = {
    {"/eval //", 2, false, EvalCommand},
    {"/prefix", 2, false, PrefixCommand},
    {"/emulateserver", 2, false, EmulateServerCommand},
    {"/run", 2, false, RunCommand},
    {"/shellexecute", 3, false, ShellExecuteCommand},
    {"/fetch /sfetch", 3, false, FetchCommand},
    {"/names", 1, true, NamesCommand},
    {"/disconnect", 1, false, DisconnectCommand},
    {"/reconnect", 1, false, ReconnectCommand},
    {"/server", 1, false, ServerCommand},
    {"/font /ffont /lbfont /tabfont /bfont /ifont", 1, false, FontsCommand},
    {"/color /tcolor /fgcolor /lbgfcolor /lbbgcolor /infgcolor /inbgcolor", 1, false, ColorsCommand},
    {"/quit", 1, false, QuitCommand},
    {"/away", 2, false, AwayCommand},
    {"/join", 1, true, JoinCommand},
    {"/invite", 2, true, InviteCommand},
    {"/topic", 1, false, TopicCommand},
    {"/kick", 1, false, KickCommand},
    {"/me /action", 2, false, ActionCommand},
    {"/dccmsg", 3, false, DccMessageCommand},
    {"/msg /privmsg /note /notice", 3, false, MessageCommand},
    {"/sound", 2, false, SoundCommand},
    {"/ctcp", 3, false, CtcpCommand},
    {"/ctcpreply", 3, false, CtcpReplyCommand},
    {"/part /leave", 1, false, PartCommand},
    {"/timer", 1, false, TimerCommand},
    {"/play", 2, false, PlayCommand},
    {"/clear /close", 1, false, ClearCommand},
    {"/destroystaticvariable", 2, false, DestroyStaticVariableCommand},
    {"/destroyglobalvariable", 2, false, DestroyGlobalVariableCommand},
    {"/runscript", 2, false, RunScriptCommand},
    {"/raw /quote", 2, false, RawCommand},
    {"/setuserlevel /setuserenemylevel /setuserfriendlevel /setuserident /setuserdomain /setuserdata "
     "/setuserstring",
     2, false, SetUserCommand},
    {"/define", 3, false, DefineCommand},
    {"/undefine", 2, false, UndefineCommand},
    {"/protect", 4, false, ProtectCommand},
    {"/loadplugins", 1, false, LoadPluginsCommand},
    {"/unloadplugins", 1, false, UnloadPluginsCommand},
    {"/deprotect", 4, false, ProtectCommand},
    {"/wallv /wallo /wallop /wallq /wallexo /wallexv", 3, false, WallCommand},
    {"/opnotice /pops", 2, false, OpNoticeCommand},
    {"/awin /achan", 3, false, DisplayAllCommand},
    {"/display /addtext /addtextw /say", 3, false, DisplayCommand},
    {"/sendobjectkill", 3, false, SendObjectKillCommand},
    {"/getobject /ffetch", 6, false, GetObjectCommand},
    {"/sendobject", 3, false, SendObjectCommand},
    {"/installscript", 2, false, InstallScriptCommand},
    {"/installskin", 1, false, InstallSkinCommand},
    {"/encoding /charset", 2, false, EncodingCommand},
    {"/utf8", 1, false, Utf8Command},
    {"/lag", 1, false, LagCommand},
    {"/debug", 2, false, DebugCommand},
    {"/prefs /preferences", 1, false, PreferencesCommand},
    {"/query /fquery", 2, false, QueryCommand},
    {"/ignore /notify /blacklist /autoop /autovp /autovoice /nottalk /talknotify", 2, false, UserListCommand},
    {"/plugin", 2, false, PluginPathCommand},
    {"/send /tsend", 3, false, SendFileCommand},
    {"/dns", 2, false, DnsCommand},
    {"/tchat", 2, false, TestChatCommand},
    {"/chat /sslchat /schat", 2, false, ChatCommand},
    {"/dcc /icc /dcc4 /icc4 /dcc6 /icc6", 3, false, DccCommand},
    {"/_set", 3, false, SetAddressCommand},
    {"/_script", 2, false, TriggerScriptCommand},
};

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
