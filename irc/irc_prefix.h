// The prefix of an IRC message: nick!user@host.
#pragma once

#include "irc/user_address.h"

#include <string>

// A leading ':' is dropped from the nick. Parts not found are left as they were in address.
void ParseIrcPrefix(const std::string& prefix, UserAddress& address);
