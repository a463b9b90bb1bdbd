#include "commands/server_address.h"

#include "commands/command_text.h"
#include "common/text_compare.h"
#include "irc/channel_mode_rules.h"

namespace {

std::string_view StripQuotes(std::string_view text) {
    if (!text.empty() && text.front() == '"') text.remove_prefix(1);
    if (!text.empty() && text.back() == '"') text.remove_suffix(1);
    return text;
}

void TakePort(std::string_view text, ServerAddress& out) {
    uint16_t port = 0;
    uint8_t useTls = 0;
    if (!ParsePortWord(text, port, useTls)) return;
    out.Port = port;
    out.UseTls = useTls;
}

} // namespace

bool ParsePortWord(std::string_view text, uint16_t& port, uint8_t& useTls) {
    const bool tls = !text.empty() && text.front() == '+';
    if (tls) text.remove_prefix(1);
    uint32_t value = 0;
    if (!ParseDecimal(text, 65535, value) || value == 0) return false;
    port = static_cast<uint16_t>(value);
    useTls = tls ? 1 : 0;
    return true;
}

bool ParseServerAddress(std::string_view text, ServerAddress& out) {
    out = ServerAddress();
    std::string_view address = StripQuotes(text);
    if (StartsWithNoCase(address, "irc:")) address.remove_prefix(4);
    if (address.substr(0, 2) == "//") address.remove_prefix(2);

    const size_t slash = address.find('/');
    if (slash != std::string_view::npos) {
        const std::string_view channel = StripQuotes(address.substr(slash + 1));
        // The server is not known yet: a name that begins with a usual channel type keeps it.
        if (!channel.empty()) out.StartupChannel = AsChannelName(channel, kDefaultChannelTypes);
        address = address.substr(0, slash);
    }

    if (!address.empty() && address.front() == '[') {
        // "[IPv6]" with an optional ":port" behind the bracket.
        const size_t close = address.find(']');
        if (close == std::string_view::npos) return false;
        out.Host.assign(address.substr(1, close - 1));
        const std::string_view after = address.substr(close + 1);
        if (!after.empty() && after.front() == ':') TakePort(after.substr(1), out);
    } else {
        const size_t colon = address.find(':');
        // Two colons or more without brackets: an IPv6 literal on the default port.
        if (colon != std::string_view::npos && address.find(':', colon + 1) == std::string_view::npos) {
            out.Host.assign(address.substr(0, colon));
            TakePort(address.substr(colon + 1), out);
        } else {
            out.Host.assign(address);
        }
    }
    return !out.Host.empty();
}
