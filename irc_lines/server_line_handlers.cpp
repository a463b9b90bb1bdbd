#include "irc_lines/server_line_handlers.h"

#include "irc_lines/channel_events.h"
#include "irc_lines/ctcp_dcc_filter.h"
#include "irc/line_dispatch.h"
#include "irc_lines/list_replies.h"
#include "irc_lines/mode_changes.h"
#include "irc_lines/numeric_replies.h"
#include "irc_lines/private_messages.h"

void RegisterServerLineHandlers() {
    RegisterNumericReplyHandlers();
    RegisterListReplyHandlers();
    SetCommandWordHandler("JOIN", HandleJoin);
    SetCommandWordHandler("PART", HandlePart);
    SetCommandWordHandler("TOPIC", HandleTopic);
    SetCommandWordHandler("PROP", HandlePropOrAccess);
    SetCommandWordHandler("ACCESS", HandlePropOrAccess);
    SetCommandWordHandler("KICK", HandleKick);
    SetCommandWordHandler("KILL", HandleKill);
    SetCommandWordHandler("INVITE", HandleInvite);
    SetCommandWordHandler("SILENCE", HandleSilence);
    SetCommandWordHandler("QUIT", HandleQuit);
    SetCommandWordHandler("NICK", HandleNick);
    SetCommandWordHandler("MODE", HandleMode);
    SetCommandWordHandler("PRIVMSG", HandlePrivmsg);
    SetCommandWordHandler("NOTICE", HandleNotice);
    SetCtcpAndDccFilter(HandleCtcpAndDcc);
}
