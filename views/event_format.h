// The user's format for each kind of chat event, filled from a server line or a typed line.
#pragma once

#include "core/client_services.h"

#include "irc/user_address.h"
#include "views/line_printer.h"

#include <string>
#include <vector>

struct WindowRecord;

namespace views {
// words: the server line's words (0 prefix, 1 command, then its parameters as parsed, the
// trailing one without its ':'): the channel or target is word 2, the kick victim and the text
// of a message or notice word 3; for the own-message kind word 0 is the window's name and
// message the typed line. message is shown as given. A kind above 13 leaves out empty.
void FormatEventLine(WindowRecord* window, std::wstring& out, LineKind kind, const std::string& message,
                     const std::vector<std::string>& words, const UserAddress& sender);
} // namespace views
