// The command word MODE: the own user modes, and channel nick levels kept in step with mode
// changes; the full mode text or the names are asked for again when a change cannot be followed.
#pragma once

#include "irc/line_dispatch.h"

#include <cstdint>
#include <string>

bool HandleMode(ServerLine& line);

// Sends "MODE <channel>" unless one went for the same channel of the connection within the
// last interval; true when it was sent.
bool SendModeQuery(WindowRecord* server, const std::string& channel);
constexpr uint32_t kModeQueryIntervalMs = 3000;
