// The command words PRIVMSG and NOTICE: ignoring, choosing or opening the window a message goes
// to, highlighting, actions, speech and the routing of notices.
#pragma once

#include "irc/line_dispatch.h"

bool HandlePrivmsg(ServerLine& line);
bool HandleNotice(ServerLine& line);
