// The command words of channel and user events: JOIN, PART, TOPIC, PROP, ACCESS, KICK, KILL,
// INVITE, SILENCE, QUIT and NICK. Each handler consumes its line.
#pragma once

#include "irc/line_dispatch.h"

bool HandleJoin(ServerLine& line);
bool HandlePart(ServerLine& line);
bool HandleTopic(ServerLine& line);
bool HandlePropOrAccess(ServerLine& line);
bool HandleKick(ServerLine& line);
bool HandleKill(ServerLine& line);
bool HandleInvite(ServerLine& line);
bool HandleSilence(ServerLine& line);
bool HandleQuit(ServerLine& line);
bool HandleNick(ServerLine& line);

// Appends the channel to "Recent_Channels" unless it is there (ignoring case) or its name is
// unfit for the list (control characters, not UTF-8, a blank or comma, overlong); a list of more
// than 20 entries loses its oldest one first.
void RecordRecentChannel(const std::string& channel);
