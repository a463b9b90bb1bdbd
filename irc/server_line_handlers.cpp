#include "irc/server_line_handlers.h"

#include "irc/channel_events.h"
#include "irc/ctcp_dcc_filter.h"
#include "irc/line_dispatch.h"
#include "irc/list_replies.h"
#include "irc/mode_changes.h"
#include "irc/numeric_replies.h"
#include "irc/private_messages.h"

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
