// The address forms of "/server".
#include <gtest/gtest.h>

#include "commands/server_address.h"

namespace {

struct AddressCase {
    const char* Text;
    bool Parsed;
    const char* Host;
    uint16_t Port;
    uint8_t UseTls;
    const char* Channel;
};

const AddressCase kAddresses[] = {
    {"irc.example.org", true, "irc.example.org", 6667, 0, ""},
    {"\"irc.example.org\"", true, "irc.example.org", 6667, 0, ""},
    {"h.example:6697", true, "h.example", 6697, 0, ""},
    {"h.example:+6697", true, "h.example", 6697, 1, ""},
    {"irc://h.example:6697/chat", true, "h.example", 6697, 0, "#chat"},
    {"IRC://h.example/#chat", true, "h.example", 6667, 0, "#chat"},
    {"irc:h.example/\"chat\"", true, "h.example", 6667, 0, "#chat"},
    {"irc://h.example/", true, "h.example", 6667, 0, ""},
    {"h.example/&local", true, "h.example", 6667, 0, "&local"}, // a channel type of its own
    {"h.example:notaport", true, "h.example", 6667, 0, ""},
    {"h.example:70000", true, "h.example", 6667, 0, ""},
    {"h.example:0", true, "h.example", 6667, 0, ""},
    {"127.0.0.1:7000", true, "127.0.0.1", 7000, 0, ""},
    {"[::1]:7000", true, "::1", 7000, 0, ""},
    {"[::1]", true, "::1", 6667, 0, ""},
    {"irc://[2001:db8::1]:+6697/chat", true, "2001:db8::1", 6697, 1, "#chat"},
    {"2001:db8::1", true, "2001:db8::1", 6667, 0, ""},
    {"::1", true, "::1", 6667, 0, ""},
    {"[::1", false, "", 6667, 0, ""},
    {"irc://", false, "", 6667, 0, ""},
    {":6667", false, "", 6667, 0, ""},
    {"\"\"", false, "", 6667, 0, ""},
};

} // namespace

TEST(ServerAddress, Forms) {
    for (const AddressCase& c : kAddresses) {
        SCOPED_TRACE(c.Text);
        ServerAddress address;
        EXPECT_EQ(ParseServerAddress(c.Text, address), c.Parsed);
        if (!c.Parsed) continue;
        EXPECT_EQ(address.Host, c.Host);
        EXPECT_EQ(address.Port, c.Port);
        EXPECT_EQ(address.UseTls, c.UseTls);
        EXPECT_EQ(address.StartupChannel, c.Channel);
    }
}

TEST(ServerAddress, PortWords) {
    uint16_t port = 1;
    uint8_t tls = 0;
    EXPECT_TRUE(ParsePortWord("+6697", port, tls));
    EXPECT_EQ(port, 6697);
    EXPECT_EQ(tls, 1);
    EXPECT_TRUE(ParsePortWord("65535", port, tls));
    EXPECT_EQ(tls, 0);
    for (const char* bad : {"", "+", "0", "65536", "12a", "-5", " 80", "99999999999"})
        EXPECT_FALSE(ParsePortWord(bad, port, tls)) << bad;
    EXPECT_EQ(port, 65535);
}
