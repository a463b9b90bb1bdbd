// The address forms that "/server" takes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr uint16_t kDefaultIrcPort = 6667;

struct ServerAddress {
    std::string Host;
    uint16_t Port = kDefaultIrcPort;
    uint8_t UseTls = 0;
    std::string StartupChannel; // empty, or beginning with a channel type ('#' put in front)
};

// Reads "host", "host:port", "[IPv6]:port", a bare IPv6 literal, any of them quoted or after
// "irc://", and a "/channel" behind them. A port may carry a leading '+' for TLS; a port that
// is not a number from 1 to 65535 leaves the default. False when no host remains.
bool ParseServerAddress(std::string_view text, ServerAddress& out);

// "[+]port": the port and, for the '+', TLS. False when the text is not such a port.
bool ParsePortWord(std::string_view text, uint16_t& port, uint8_t& useTls);
