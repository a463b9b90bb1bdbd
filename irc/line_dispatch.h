// The one routine every server line passes through, and the tables its handlers are found in:
// numerics by number, other lines by command word. A line no handler claims is shown in the
// server window as an information line.
#pragma once

#include "irc/user_address.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct WindowRecord;
struct ServerConnection;

// One received line as its handler sees it.
struct ServerLine {
    const std::string& Text;         // the whole line, without CR LF
    std::vector<std::string>& Words; // prefix, command, first parameter, rest (with its ':')
    UserAddress& Sender;             // parsed from the prefix
    WindowRecord* Window;            // the server window the line came in on
    ServerConnection* Connection;
    int32_t Numeric; // the number of a numeric reply; 0 for a command word
    // Where the generic numeric text is shown; a handler may point it at another window.
    WindowRecord* DisplayWindow;
};

// A numeric handler that prints its own text clears the connection's ShowNumericText, or the
// generic text follows. A command-word handler always consumes its line.
using ServerLineHandler = void (*)(ServerLine& line);

// The CTCP and DCC filter: non-zero consumes the line.
using CtcpAndDccFilter = uint32_t (*)(const std::string& line, WindowRecord* window,
                                      const UserAddress& sender);

// The tables are filled at start-up, before the first connection; a null handler removes one.
void SetNumericHandler(int32_t numeric, ServerLineHandler handler);
void SetCommandWordHandler(std::string_view word, ServerLineHandler handler); // any case
void SetCtcpAndDccFilter(CtcpAndDccFilter filter);
void ClearServerLineHandlers();

// Runs the chain for one line: debug echo, plug-ins, the CTCP and DCC filter, incoming-text
// triggers, the PING answer, then the dispatch. Never throws: an error ends only this line.
void HandleServerLine(const std::string& line, WindowRecord* window);

// The last parameter of a PING line in any form ("PING :a:b", "PING a", with a prefix or
// without); empty when it has none.
std::string PingParameter(std::string_view line);
