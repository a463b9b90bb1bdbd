// The one routine every server line passes through, and the tables its handlers are found in:
// numerics by number, other lines by command word. A line no handler claims is shown in the
// server window as an information line.
#pragma once

#include "irc/irc_message.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct WindowRecord;
struct ServerConnection;

// One received line as its handler sees it.
struct ServerLine {
    const IrcMessage& Message;
    WindowRecord* Window; // the server window the line came in on
    ServerConnection* Connection;
    int32_t Numeric; // the number of a numeric reply; 0 for a command word
    // Where the generic numeric text is shown; a handler may point it at another window.
    WindowRecord* DisplayWindow;
};

// True when the handler showed its line itself (or kept it out of view on purpose); a numeric
// handler that answers false is followed by the generic text. A command-word handler always
// consumes its line, whatever it answers.
using ServerLineHandler = bool (*)(ServerLine& line);

// The CTCP and DCC filter: non-zero consumes the line.
using CtcpAndDccFilter = uint32_t (*)(const IrcMessage& message, WindowRecord* window);

// The tables are filled at start-up, before the first connection; a null handler removes one.
// A line with fewer than minParams parameters never reaches its handler: it is shown in the
// server window as an information line.
void SetNumericHandler(int32_t numeric, ServerLineHandler handler, size_t minParams);
// The word in any case.
void SetCommandWordHandler(std::string_view word, ServerLineHandler handler, size_t minParams);
void SetCtcpAndDccFilter(CtcpAndDccFilter filter);
void ClearServerLineHandlers();

// How a line reached its handling: a PING the reader already answered is not answered twice.
enum class PingAnswer { Owed, AlreadySent };

// Parses the line once and runs the chain for it: debug echo, plug-ins, the CTCP and DCC
// filter, incoming-text triggers, the PING answer, then the dispatch. Never throws: an error
// ends only this line.
void HandleServerLine(const std::string& line, WindowRecord* window, PingAnswer ping = PingAnswer::Owed);

// Answers the line at once when it is a PING, ahead of the lines still waiting to be handled;
// true when it was one.
bool AnswerPingAhead(const std::string& line, WindowRecord* window);
