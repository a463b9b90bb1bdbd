#include "commands/command_table.h"

#include "commands/command_handlers.h"
#include "common/text_compare.h"

#include <cstring>
#include <iterator>

namespace {

// Commands whose handlers this program does not carry yet: they refuse, so their lines take
// the road of every unknown command (the triggers, then the server).
uint64_t NotAvailable(const CommandCall&) {
    RefuseCommand();
}

constexpr CommandRow kCommandTable[] = {
    {"/eval //", 2, false, NotAvailable},
    {"/prefix", 2, false, PrefixCommand},
    {"/emulateserver", 2, false, EmulateServerCommand},
    {"/run", 2, false, NotAvailable},
    {"/shellexecute", 3, false, NotAvailable},
    {"/fetch /sfetch", 3, false, NotAvailable},
    {"/names", 1, true, NamesCommand},
    {"/disconnect", 1, false, DisconnectCommand},
    {"/reconnect", 1, false, ReconnectCommand},
    {"/server", 1, false, ServerCommand},
    {"/font /ffont /lbfont /tabfont /bfont /ifont", 1, false, NotAvailable},
    {"/color /tcolor /fgcolor /lbgfcolor /lbbgcolor /infgcolor /inbgcolor", 1, false, NotAvailable},
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
    {"/timer", 1, false, NotAvailable},
    {"/play", 2, false, NotAvailable},
    {"/clear /close", 1, false, NotAvailable},
    {"/destroystaticvariable", 2, false, NotAvailable},
    {"/destroyglobalvariable", 2, false, NotAvailable},
    {"/runscript", 2, false, NotAvailable},
    {"/raw /quote", 2, false, RawCommand},
    {"/setuserlevel /setuserenemylevel /setuserfriendlevel /setuserident /setuserdomain /setuserdata "
     "/setuserstring",
     2, false, NotAvailable},
    {"/define", 3, false, NotAvailable},
    {"/undefine", 2, false, NotAvailable},
    {"/protect", 4, false, NotAvailable},
    {"/loadplugins", 1, false, NotAvailable},
    {"/unloadplugins", 1, false, NotAvailable},
    {"/deprotect", 4, false, NotAvailable},
    {"/wallv /wallo /wallop /wallq /wallexo /wallexv", 3, false, WallCommand},
    {"/opnotice /pops", 2, false, OpNoticeCommand},
    {"/awin /achan", 3, false, NotAvailable},
    {"/display /addtext /addtextw /say", 3, false, NotAvailable},
    {"/sendobjectkill", 3, false, NotAvailable},
    {"/getobject /ffetch", 6, false, NotAvailable},
    {"/sendobject", 3, false, NotAvailable},
    {"/installscript", 2, false, NotAvailable},
    {"/installskin", 1, false, NotAvailable},
    {"/encoding /charset", 2, false, NotAvailable},
    {"/utf8", 1, false, NotAvailable},
    {"/lag", 1, false, LagCommand},
    {"/debug", 2, false, NotAvailable},
    {"/prefs /preferences", 1, false, NotAvailable},
    {"/query /fquery", 2, false, QueryCommand},
    {"/ignore /notify /blacklist /autoop /autovp /autovoice /nottalk /talknotify", 2, false, NotAvailable},
    {"/plugin", 2, false, NotAvailable},
    {"/send /tsend", 3, false, NotAvailable},
    {"/dns", 2, false, NotAvailable},
    {"/tchat", 2, false, NotAvailable},
    {"/chat /sslchat /schat", 2, false, NotAvailable},
    {"/dcc /icc /dcc4 /icc4 /dcc6 /icc6", 3, false, NotAvailable},
    {"/_set", 3, false, NotAvailable},
    {"/_script", 2, false, NotAvailable},
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
