// Numeric replies that deliver lists: the names of a channel into its nick list, ban and
// exception entries shown as one block with removal links, and the channel list.
#pragma once

#include "irc/line_dispatch.h"

#include <cstddef>

void RegisterListReplyHandlers();

// Ban or exception entries held at once per connection until their end reply; more are dropped.
constexpr size_t kMaxPendingBanEntries = 2000;
