// CTCP requests (PRIVMSG) and replies (NOTICE) that are not DCC: shown, and requests answered
// as the settings say, at a bounded rate.
#pragma once

#include "irc_lines/ctcp_dcc_filter.h"

// body: the CTCP text without its 0x01 markers.
uint32_t HandleCtcpRequest(const IrcMessage& message, const std::string& body, WindowRecord* window);
uint32_t HandleCtcpReply(const IrcMessage& message, const std::string& body, WindowRecord* window);

// The version text of the CTCP VERSION answer.
std::string CtcpVersionText();

// A connection answers at most kCtcpBurst requests at once and one more per kCtcpRefillMs after
// that; true when an answer may go now (and counts it).
constexpr uint32_t kCtcpBurst = 4;
constexpr uint32_t kCtcpRefillMs = 2000;
bool TakeCtcpReplyAllowance(ServerConnection* connection);
