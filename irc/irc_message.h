// One server line cut by the IRC message grammar, once, where it is received: the prefix (and
// the user it names), the command and the parameters. Everything that handles the line reads
// this record instead of cutting the text again.
#pragma once

#include "irc/user_address.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A line holds at most this many parameters; the last of them takes the rest of the line.
constexpr size_t kMaxIrcParams = 15;

struct IrcMessage {
    std::string Text;                // the whole line as received, without its line end
    std::string Prefix;              // without its ':'; empty when the line has none
    UserAddress Sender;              // the prefix as nick, user and host
    std::string Command;             // as received (a numeric stays three digits)
    std::vector<std::string> Params; // the trailing one last, without its ':'
    bool HasTrailing = false;        // the last parameter is the trailing one (it may hold blanks)

    bool HasPrefix() const { return !Text.empty() && Text[0] == ':'; }
    // Parameter i counted from 0; empty when the line has fewer.
    const std::string& Param(size_t i) const;
    // The parameters from `first` on as a user reads them: joined by single blanks, without the
    // ':' that marks the trailing one on the wire. Empty when the line has no more.
    std::string ParamsText(size_t first) const;
};

// Runs of blanks separate the parts; a parameter that starts with ':' is the trailing one and
// keeps its blanks, and so does the fifteenth parameter, which takes the rest of the line.
IrcMessage ParseIrcMessage(std::string_view line);

// One leading ':' removed.
std::string WithoutColon(std::string_view text);
