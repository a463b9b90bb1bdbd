// DCC requests inside CTCP: file offers and resume answers for the peer subsystem, chat offers
// (asked on the interface thread) and the receiver's address for a passive offer we made.
#pragma once

#include "irc_lines/ctcp_dcc_filter.h"

// body: the CTCP text without markers, beginning with "DCC ". Offers to anyone but us (a
// channel) are not consumed, so they are shown as text; bad offers are refused with a line.
// Result 1 consumed, 0 not consumed, kNotDccOffer for a DCC word that is none of these.
constexpr int32_t kNotDccOffer = -1;
int32_t HandleDccRequest(const IrcMessage& message, const std::string& body, WindowRecord* window);

// The arguments of a DCC request: the request word, then the arguments; a first argument in
// double quotes may hold blanks.
std::vector<std::string> SplitDccArguments(const std::string& body);
