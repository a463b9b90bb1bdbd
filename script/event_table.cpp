#include "script/event_table.h"

namespace {

constexpr ScriptEvent kEvents[] = {
    {"On_Load_Brindlex", "At start-up, once the frame window exists.",
     "None. It is fired with no window, and a script runs only for a window, so its script does not "
     "run.",
     "Nothing."},
    {"On_Connect_1", "A server connection's socket has been made.", "$0: the server's host name.",
     "The connection attempt ends."},
    {"On_Connect_2", "The connection (and its TLS, when used) is up.", "$0: the server's host name.",
     "The connection attempt ends."},
    {"On_Connect_3", "The registration (nick and user) has been sent.", "$0: the server's host name.",
     "The connection attempt ends."},
    {"On_Disconnect", "A server connection was closed.", "$0: the server's host name.", "Nothing."},
    {"On_Input", "A line is typed, or run by a script or a plug-in, before it is sent or run.",
     "$0* : the whole line.", "The line is swallowed: it is neither sent nor run."},
    {"On_Clone", "A user joins a channel in which other nicks share the joining user's host.",
     "$0: the channel; $1: the joining nick; $2, $3, ...: the nicks on the same host.", "Nothing more."},
    {"On_Incoming_Private", "A private message arrives for which no query window is open.",
     "$0: the sender as \":nick!user@host\" (so $nick, $ident and $domain are set).",
     "No query window is opened for it."},
    {"On_Notify_Online", "A nick of the notify list came online.", "$0: the nick.",
     "The notice line is not printed."},
    {"On_Notify_Offline", "A nick of the notify list went offline.", "$0: the nick.",
     "The notice line is not printed in the server window (a query with the nick still shows it)."},
    {"On_Startup",
     "The server's welcome is over (end of the message of the day), before the startup "
     "channel is joined.",
     "None.", "Nothing."},
    {"On_DCC_Connect_1", "A DCC chat connection is about to be made.", "$0: the DCC chat window's name.",
     "The DCC chat is cancelled."},
    {"On_DCC_Connect_2", "A DCC chat connection has been made.", "$0: the DCC chat window's name.",
     "The DCC chat is cancelled."},
    {"On_DCC_Disconnect", "A DCC chat was closed.", "$0: the DCC chat window's name.", "Nothing."},
    {"On_DCC_Incoming", "A DCC offer or answer arrives.",
     "$0* : the whole server line (\":nick!user@host PRIVMSG you :...\").",
     "The line is taken: nothing is shown or answered."},
    {"On_CTCP_Incoming", "A CTCP request arrives.", "$0* : the whole server line.",
     "The line is taken: nothing is shown or answered."},
    {"On_Hilite", "A line about to be printed holds one of your highlight words.", "$0* : the line.",
     "The line is printed empty (a script gives no text back)."},
    {"On_Status", "A status is chosen in the menu.",
     "$0: 0 available, 1 away, 2 busy, 3 not here, 4 invisible.", "Nothing more."},
    {"On_DNS", "The answer of a name lookup (\"/dns\") arrives.",
     "$0: the name looked up; then the answer's labels and values, word by word.",
     "The answer is not printed."},
    {"On_Window_Left_XX", "A chat window's text is double-clicked with the right or middle button.",
     "$0: the window's name.", "Nothing more."},
    {"On_Nick_Left_XX", "A nick in a channel's nick list is double-clicked.", "$0: the nick.",
     "No query is opened (otherwise \"/query nick\" runs)."},
};

} // namespace

std::span<const ScriptEvent> ScriptEvents() {
    return kEvents;
}
