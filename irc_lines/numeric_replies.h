// Numeric replies with handlers of their own: registration, WHOIS parts, topics and modes of
// channels, the notify check with the lag, the user-host reply and join refusals.
#pragma once

#include "irc/line_dispatch.h"

#include <initializer_list>
#include <string>

void RegisterNumericReplyHandlers();

// The text of a language string with its "%s"/"%u" conversions filled in order.
std::wstring LangText(int32_t id, std::initializer_list<std::wstring> arguments);
