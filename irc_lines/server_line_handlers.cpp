#include "irc_lines/server_line_handlers.h"

#include "irc_lines/channel_events.h"
#include "irc_lines/ctcp_dcc_filter.h"
#include "irc/line_dispatch.h"
#include "irc_lines/list_replies.h"
#include "irc_lines/mode_changes.h"
#include "irc_lines/numeric_replies.h"
#include "irc_lines/private_messages.h"

// Each command word with the fewest parameters its handler reads.
void RegisterServerLineHandlers() {
    RegisterNumericReplyHandlers();
    RegisterListReplyHandlers();
    SetCommandWordHandler("JOIN", HandleJoin, 1);
    SetCommandWordHandler("PART", HandlePart, 1);
    SetCommandWordHandler("TOPIC", HandleTopic, 2);
    SetCommandWordHandler("PROP", HandlePropOrAccess, 2);
    SetCommandWordHandler("ACCESS", HandlePropOrAccess, 2);
    SetCommandWordHandler("KICK", HandleKick, 2);
    SetCommandWordHandler("KILL", HandleKill, 2);
    SetCommandWordHandler("INVITE", HandleInvite, 2);
    SetCommandWordHandler("SILENCE", HandleSilence, 1);
    SetCommandWordHandler("QUIT", HandleQuit, 0);
    SetCommandWordHandler("NICK", HandleNick, 1);
    SetCommandWordHandler("MODE", HandleMode, 2);
    SetCommandWordHandler("PRIVMSG", HandlePrivmsg, 2);
    SetCommandWordHandler("NOTICE", HandleNotice, 2);
    SetCtcpAndDccFilter(HandleCtcpAndDcc);
}
