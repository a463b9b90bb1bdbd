#include <gtest/gtest.h>

#include "irc/irc_message.h"

#include <string>
#include <vector>

using Params = std::vector<std::string>;

TEST(IrcMessage, EveryFormTheHandlersMeet) {
    struct Case {
        std::string Line;
        std::string Nick, User, Host, Command;
        Params Expected;
        bool Trailing;
    };
    const std::string fifteen = ":s 005 me 1 2 3 4 5 6 7 8 9 10 11 12 13  14 15 :x";
    const Case cases[] = {
        {":bob!b@h.example PRIVMSG #c :hello  world ",
         "bob",
         "b",
         "h.example",
         "PRIVMSG",
         {"#c", "hello  world "},
         true},
        {":bob!b PRIVMSG me ::-)", "bob", "b", "", "PRIVMSG", {"me", ":-)"}, true},
        {":irc.example 001 me :Welcome", "irc.example", "", "", "001", {"me", "Welcome"}, true},
        {"PING :abc", "", "", "", "PING", {"abc"}, true},
        {"ERROR", "", "", "", "ERROR", {}, false},
        {":bob!b@h TOPIC #c :", "bob", "b", "h", "TOPIC", {"#c", ""}, true},
        {":op!o@h  MODE   #c  +ov   a b  ", "op", "o", "h", "MODE", {"#c", "+ov", "a", "b"}, false},
        {fifteen,
         "s",
         "",
         "",
         "005",
         {"me", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14 15 :x"},
         true},
        {":only.prefix", "only.prefix", "", "", "", {}, false},
        {"", "", "", "", "", {}, false},
    };
    for (const Case& c : cases) {
        const IrcMessage m = ParseIrcMessage(c.Line);
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(m.Text, c.Line);
        EXPECT_EQ(m.Sender.Nick, c.Nick);
        EXPECT_EQ(m.Sender.User, c.User);
        EXPECT_EQ(m.Sender.Host, c.Host);
        EXPECT_EQ(m.Command, c.Command);
        EXPECT_EQ(m.Params, c.Expected);
        EXPECT_EQ(m.HasTrailing, c.Trailing);
        EXPECT_LE(m.Params.size(), kMaxIrcParams);
    }
}

// Read back for the user: the ':' that marks the trailing parameter is wire syntax, not text.
TEST(IrcMessage, ParametersReadBackAsText) {
    const IrcMessage m = ParseIrcMessage(":s 005 me  A=1 B :are supported");
    EXPECT_EQ(m.ParamsText(1), "A=1 B are supported");
    EXPECT_EQ(m.ParamsText(3), "are supported");
    EXPECT_EQ(m.ParamsText(4), "");
    EXPECT_EQ(m.Param(1), "A=1");
    EXPECT_EQ(m.Param(9), "");
    EXPECT_EQ(ParseIrcMessage(":s 372 me ::-) smile").ParamsText(1), ":-) smile");
}
