// The command words of channel and user events: JOIN, PART, TOPIC, PROP, ACCESS, KICK, KILL,
// INVITE, SILENCE, QUIT and NICK. Each handler consumes its line.
#pragma once

#include "irc/line_dispatch.h"

void HandleJoin(ServerLine& line);
void HandlePart(ServerLine& line);
void HandleTopic(ServerLine& line);
void HandlePropOrAccess(ServerLine& line);
void HandleKick(ServerLine& line);
void HandleKill(ServerLine& line);
void HandleInvite(ServerLine& line);
void HandleSilence(ServerLine& line);
void HandleQuit(ServerLine& line);
void HandleNick(ServerLine& line);

// Appends the channel to "Recent_Channels" unless it is there (ignoring case); a list of more
// than 20 entries loses its oldest one first.
void RecordRecentChannel(const std::string& channel);
