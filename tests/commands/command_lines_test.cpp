// Every server, channel and message command typed into a window, with the exact lines that
// reach the server and what the frame and the windows are asked to do. Refused forms take the
// road of unknown commands: the trigger worker sends them raw without their "/".
#include "commands/input_dispatcher.h"
#include "tests/commands/command_test_fixture.h"

#include "irc/channel_mode_rules.h"
#include "irc/server_connection.h"
#include "irc_lines/channel_nicks.h"
#include "tests/recorders/recorders.h"

#include <string>
#include <vector>

namespace {

// S server window "irc.test", C channel "#a", Q query "bob", D DCC chat "peer".
struct CommandLineCase {
    char Window;
    const char* Line;
    std::vector<std::string> Lines; // what reaches the server, in order
    bool Raw = false;               // refused: the line goes to the trigger worker
    std::vector<std::string> Effects = {};
};

const std::vector<CommandLineCase> kCases = {
    // Plain text by window type.
    {'S', "WHOIS bob", {"WHOIS bob"}},
    {'C', "hello there", {"PRIVMSG #a :hello there"}},
    {'Q', "hi", {"PRIVMSG bob :hi"}},
    // Unknown commands and commands of other tables reach the server raw.
    {'C', "/whois bob", {"whois bob"}, true},
    {'C', "/mode #a +m", {"mode #a +m"}, true},
    // "/names": exactly one word, channel target.
    {'C', "/names", {"NAMES #a"}},
    {'C', "/NAMES", {"NAMES #a"}},
    {'C', "/names #b", {"names #b"}, true},
    {'Q', "/names", {"names"}, true},
    // "/quit", "/away", "/raw", "/quote".
    {'C', "/quit see you", {"QUIT :see you"}},
    {'C', "/quit :bye", {"QUIT :bye"}},
    {'S', "/quit", {"QUIT :Brindlex 7 https://brindlex.example"}},
    {'D', "/quit", {"quit"}, true},
    {'C', "/away gone  fishing", {"AWAY :gone  fishing"}},
    {'C', "/away", {"away"}, true},
    {'D', "/away gone", {"away gone"}, true},
    {'C', "/raw PRIVMSG #a :x y", {"PRIVMSG #a :x y"}},
    {'Q', "/quote MODE #a +m", {"MODE #a +m"}},
    {'C', "/raw", {"raw"}, true},
    {'D', "/raw JOIN #x", {"raw JOIN #x"}, true},
    // "/join" alone opens the join dialog; with a channel it is refused and goes raw.
    {'C', "/join", {}, false, {"frame 706"}},
    {'C', "/JOIN", {}, false, {"frame 706"}},
    {'C', "/join #b", {"join #b"}, true},
    {'D', "/join", {"join"}, true},
    // "/invite": exactly a nick, in a channel.
    {'C', "/invite carol", {"INVITE carol #a"}},
    {'Q', "/invite carol", {"invite carol"}, true},
    {'C', "/invite carol #a", {"invite carol #a"}, true},
    // "/topic".
    {'C', "/topic", {"TOPIC #a"}},
    {'Q', "/topic", {"topic"}, true},
    {'C', "/topic #a", {"TOPIC #a"}}, // asks; an empty topic would clear it
    {'C', "/topic #a :", {"TOPIC #a :"}},
    {'C', "/topic #a new topic", {"TOPIC #a :new topic"}},
    {'C', "/topic &b set elsewhere", {"TOPIC &b :set elsewhere"}}, // a channel without a window
    {'S', "/topic #b", {"TOPIC #b"}},
    {'Q', "/topic #a from the query", {"TOPIC #a :from the query"}},
    {'C', "/topic hello world", {"TOPIC #a :hello world"}},
    {'C', "/topic :colon", {"TOPIC #a :colon"}},
    {'Q', "/topic hi", {"topic hi"}, true},
    {'D', "/topic", {"topic"}, true},
    // "/kick".
    {'C', "/kick", {}, false, {"frame 105"}},
    {'C', "/kick carol", {"KICK #a carol :"}},
    {'Q', "/kick carol", {"kick carol"}, true},
    {'C', "/kick #a carol", {"KICK #a carol :"}},
    {'Q', "/kick #a carol go away", {"KICK #a carol :go away"}},
    {'C', "/kick carol go away", {"KICK #a carol :go away"}},
    {'C', "/kick bob :bye", {"KICK #a bob :bye"}}, // a query named bob is no channel
    {'C', "/kick &b carol", {"KICK &b carol :"}},
    {'Q', "/kick carol go", {}},
    {'D', "/kick carol", {"kick carol"}, true},
    // "/part", "/leave": alone they close the target window; anything else goes raw.
    {'C', "/part", {}, false, {"close #a"}},
    {'Q', "/leave", {}, false, {"close bob"}},
    {'C', "/part #a", {"part #a"}, true},
    {'C', "/leave #a bye", {"leave #a bye"}, true},
    // Messages and notices.
    {'C', "/msg carol hi  there", {"PRIVMSG carol :hi  there"}},
    {'C', "/privmsg #b :hi", {"PRIVMSG #b :hi"}},
    {'Q', "/notice carol hello", {"NOTICE carol :hello"}},
    {'S', "/note carol x", {"NOTICE carol :x"}},
    {'C', "/msg carol", {"msg carol"}, true},
    {'D', "/msg carol hi", {"msg carol hi"}, true},
    {'C', "/ctcp carol VERSION", {"PRIVMSG carol :\x01VERSION\x01"}},
    {'C', "/ctcp carol PING 123", {"PRIVMSG carol :\x01PING 123\x01"}},
    {'C', "/ctcpreply carol VERSION qv 7", {"NOTICE carol :\x01VERSION qv 7\x01"}},
    {'C', "/ctcp carol", {"ctcp carol"}, true},
    {'C', "/sound ding.wav", {"PRIVMSG #a :\x01SOUND ding.wav\x01"}},
    {'Q', "/sound ding.wav", {"PRIVMSG bob :\x01SOUND ding.wav\x01"}},
    {'C', "/sound", {"sound"}, true},
    {'D', "/sound ding.wav", {"sound ding.wav"}, true},
    {'C',
     "/me waves",
     {"PRIVMSG #a :\x01"
      "ACTION waves\x01"}},
    {'Q',
     "/action nods  twice",
     {"PRIVMSG bob :\x01"
      "ACTION nods  twice\x01"}},
    {'C', "/me", {"me"}, true},
    // "/dccmsg": a window-list index says the text in that window (1 is "#a").
    {'C', "/dccmsg 1 hi there", {"PRIVMSG #a :hi there"}},
    {'C', "/dccmsg nobody hi", {"dccmsg nobody hi"}, true},
    {'C', "/dccmsg x9 hi", {"dccmsg x9 hi"}, true},
    {'C', "/dccmsg 99 hi", {"dccmsg 99 hi"}, true},
    // The wall family over the members owner (4), op (3), voice (2), plain (1) of "#a".
    {'C',
     "/wallv #a hi all",
     {"NOTICE owner :[#a] hi all", "NOTICE op :[#a] hi all", "NOTICE voice :[#a] hi all"}},
    {'C', "/wallo #a hi", {"NOTICE owner :[#a] hi", "NOTICE op :[#a] hi"}},
    {'C', "/wallop #a hi", {"NOTICE owner :-CHANOPS- #a:hi", "NOTICE op :-CHANOPS- #a:hi"}},
    {'C', "/wallq #a hi", {"NOTICE owner :[#a] hi"}},
    {'Q', "/wallexo #a hi", {"NOTICE op :[#a] hi"}},
    {'C', "/wallexv #a hi", {"NOTICE voice :[#a] hi"}},
    {'C', "/wallv #nowhere hi", {}},
    {'C', "/wallv #a", {"wallv #a"}, true},
    {'D', "/wallv #a hi", {"wallv #a hi"}, true},
    {'C', "/opnotice meet now", {"NOTICE owner :-CHANOPS- #a:meet now", "NOTICE op :-CHANOPS- #a:meet now"}},
    {'C', "/pops x", {"NOTICE owner :-CHANOPS- #a:x", "NOTICE op :-CHANOPS- #a:x"}},
    {'Q', "/opnotice x", {"opnotice x"}, true},
    // "/query", "/fquery": open or activate, then say the text there.
    {'C', "/query carol", {}, false, {"open 3 carol"}},
    {'C', "/query carol hello", {"PRIVMSG carol :hello"}, false, {"activate carol"}},
    {'C', "/query bob hey you", {"PRIVMSG bob :hey you"}, false, {"activate bob"}},
    {'C', "/fquery dave yo", {"PRIVMSG dave :yo"}, false, {"open 3 dave"}},
    {'C', "/query", {"query"}, true},
    // "/prefix": a change sends one names request for the target; no change sends nothing.
    {'C', "/prefix +~", {"NAMES #a"}},
    {'C', "/prefix +~", {}},
    {'C', "/prefix &", {"NAMES #a"}},
    {'C', "/prefix -~", {"NAMES #a"}},
    {'C', "/prefix -~", {}},
    {'C', "/prefix a", {}},
    {'C', "/prefix +5", {}},
    {'C', "/prefix", {"prefix"}, true},
    // "/emulateserver" hands the line to the incoming-line handler: a PING is answered.
    {'C', "/emulateserver PING :abc", {"PONG :abc"}},
    // The frame's menu commands and the end of a DCC chat.
    {'C', "/server", {}, false, {"frame 801"}},
    {'C', "/reconnect", {}, false, {"frame 710"}},
    {'C', "/disconnect", {}, false, {"frame 711"}},
    {'D', "/disconnect", {}, false, {"dcc-end peer"}},
    {'C', "/lag", {}},
};

class CommandLines : public CommandTest {
protected:
    WindowRecord* WindowFor(char code) {
        switch (code) {
            case 'S': return Server();
            case 'C': return Channel();
            case 'Q': return Query();
            default: return Dcc();
        }
    }
};

} // namespace

TEST_F(CommandLines, EachCommandSendsExactlyItsLines) {
    const std::pair<const wchar_t*, uint32_t> members[] = {
        {L".owner", 4}, {L"@op", 3}, {L"+voice", 2}, {L"plain", 1}};
    for (int i = 0; i < 4; ++i)
        InsertNickItem(Channel()->NickList, i, members[i].first,
                       NickGroup(members[i].first, members[i].second, L""));
    for (const CommandLineCase& c : kCases) {
        SCOPED_TRACE(std::string(1, c.Window) + " " + c.Line);
        CallLog::Instance().Clear();
        WindowRecord* window = WindowFor(c.Window);
        SetRecordedActiveWindow(window);
        ProcessInputLine(c.Line, window);
        if (c.Raw) {
            EXPECT_TRUE(WaitForTriggers(1));
        }
        EXPECT_EQ(ServerLines(), c.Lines);
        EXPECT_EQ(CountCalls("RunTriggerScriptThread"), c.Raw ? 1u : 0u);
        EXPECT_EQ(WindowEffects(), c.Effects);
    }
}

// hybrid names '#' alone as its channel type: there "&x" begins a topic, not a channel.
TEST_F(CommandLines, TopicKnowsTheChannelTypesTheServerNamed) {
    ChannelModeRules rules;
    ASSERT_TRUE(ReadServerModeTokens(
        ParseIrcMessage(":irc.hybrid.test 005 me CHANTYPES=# PREFIX=(ohv)@%+ :are supported by this server"),
        rules));
    Server()->Connection->ModeRules.Set(rules);
    ProcessInputLine("/topic &x marks the spot", Channel());
    EXPECT_EQ(ServerLines(), std::vector<std::string>{"TOPIC #a :&x marks the spot"});
}
