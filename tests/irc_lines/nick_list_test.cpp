// Channel nick lists: levels and prefixes, adding, renaming, the level a mode gives an argument
// under the default and the server's rules, mode changes and names replies.
#include "tests/irc_lines/lines_test_support.h"

#include "irc/channel_mode_rules.h"
#include "irc_lines/channel_nicks.h"

#include <algorithm>

namespace {

class NickLists : public LinesTest {
protected:
    void SetUp() override {
        LinesTest::SetUp();
        channel_ = Open(kChannelWindow, "#c");
    }
    uint32_t Level(const char* nick, wchar_t* prefix = nullptr) {
        return GetNickLevel(nick, channel_, nullptr, prefix, nullptr, nullptr);
    }
    WindowRecord* channel_ = nullptr;
};

} // namespace

TEST_F(NickLists, LevelsPrefixesAndGroups) {
    SetConfig("Cfg\\Options1", "Nick_Prefixes", "~&");
    Fill(channel_, "@op +voice .owner plain ~lord");
    wchar_t prefix = 0;
    EXPECT_EQ(Level("OP", &prefix), 3u); // case is ignored
    EXPECT_EQ(prefix, L'@');
    EXPECT_EQ(Level("voice"), 2u);
    EXPECT_EQ(Level("owner"), 4u);
    EXPECT_EQ(Level("plain"), 1u);
    EXPECT_EQ(Level("lord", &prefix), 3u);
    EXPECT_EQ(prefix, L'~');
    EXPECT_EQ(Level("nobody"), 0u);
    EXPECT_EQ(GroupOf(channel_, L"@op"), 2);
    EXPECT_EQ(GroupOf(channel_, L"~lord"), 1);
    EXPECT_EQ(GroupOf(channel_, L"+voice"), 0);
    EXPECT_EQ(GroupOf(channel_, L".owner"), 0); // '.' is no prefix character here
    // Higher groups first, then by text ignoring case.
    EXPECT_EQ(Nicks(channel_), (std::vector<std::wstring>{L"@op", L"~lord", L"+voice", L".owner", L"plain"}));

    uint32_t index = 1;
    std::wstring bare;
    EXPECT_EQ(GetNickLevel(nullptr, channel_, &index, nullptr, nullptr, &bare), 3u);
    EXPECT_EQ(bare, L"lord");
    index = 99;
    EXPECT_EQ(GetNickLevel(nullptr, channel_, &index, nullptr, nullptr, &bare), 0u);
    EXPECT_TRUE(bare.empty());

    // A nick already listed with any prefix is not added again; a new one goes to its place.
    AddNickToList(channel_, "OP");
    AddNickToList(channel_, "Bob");
    EXPECT_EQ(Nicks(channel_),
              (std::vector<std::wstring>{L"@op", L"~lord", L"+voice", L".owner", L"Bob", L"plain"}));
    EXPECT_TRUE(RemoveNickFromList(channel_, "bob"));
    EXPECT_FALSE(RemoveNickFromList(channel_, "bob"));
}

TEST_F(NickLists, RenameKeepsPrefixAndGroupEverywhere) {
    SetConfig("Cfg\\Options1", "Nick_Prefixes", "~");
    WindowRecord* other = Open(kChannelWindow, "#d");
    WindowRecord* query = Open(kQueryWindow, "lord");
    Fill(channel_, "~lord zed");
    Fill(other, "@x lord");
    RenameNickInLists(Server(), "LORD", "able");
    EXPECT_EQ(Nicks(channel_), (std::vector<std::wstring>{L"~able", L"zed"}));
    EXPECT_EQ(GroupOf(channel_, L"~able"), 1);
    EXPECT_EQ(Nicks(other), (std::vector<std::wstring>{L"@x", L"able"}));
    EXPECT_EQ(query->Name, "lord"); // queries follow the nick's exact spelling only
    RenameNickInLists(Server(), "lord", "able");
    EXPECT_EQ(query->Name, "able");
}

TEST(ModeArgumentLevels, DefaultTableAndServerRules) {
    EXPECT_EQ(ModeArgumentLevel("+o-v", 1), -2);
    EXPECT_EQ(ModeArgumentLevel("+b", 0), 0x10000);
    EXPECT_EQ(ModeArgumentLevel("+o-b", 0), 3);
    EXPECT_EQ(ModeArgumentLevel("+b-o", 0), 0x10000 - 3);
    EXPECT_EQ(ModeArgumentLevel("", 3), 0);
    EXPECT_EQ(ModeArgumentLevel("+qov", 2), 2);
    // Without the server's word the key takes the operator level.
    EXPECT_EQ(ModeArgumentLevel("+ko", 0), 0x10000 + 3);

    ChannelModeRules rules;
    EXPECT_TRUE(ReadServerModeTokens(
        ParseIrcMessage(
            ":irc.test 005 me CHANTYPES=# PREFIX=(qaohv)~&@%+ CHANMODES=beI,k,l,imnst :are supported"),
        rules));
    EXPECT_EQ(rules.LevelSymbols, "~&@%+");
    EXPECT_EQ(ModeArgumentLevel("+ko", 0, rules), 0x10000); // the key is the key's argument
    EXPECT_EQ(ModeArgumentLevel("+ko", 1, rules), 0x10000 + 3);
    EXPECT_EQ(ModeArgumentLevel("+lv", 1, rules), 0x10000 + 2);  // l takes one when set
    EXPECT_EQ(ModeArgumentLevel("-l+v", 0, rules), 0x10000 + 2); // ... and none when unset
    EXPECT_EQ(ModeArgumentLevel("+h", 0, rules), 0);             // no level of its own in the table
    EXPECT_EQ(ModeArgumentLevel("+q", 0, rules), 4);

    ChannelModeRules quiet;
    ReadServerModeTokens(ParseIrcMessage(":s 005 me PREFIX=(ov)@+ CHANMODES=bq,k,l,m :ok"), quiet);
    EXPECT_EQ(ModeArgumentLevel("+qo", 1, quiet), 0x10000 + 3); // q is a list here
    // Malformed values leave the rules as they were.
    ChannelModeRules same;
    EXPECT_FALSE(
        ReadServerModeTokens(ParseIrcMessage(":s 005 me PREFIX=(ov)@ CHANMODES=b,k :x PREFIX=(o)@"), same));
    EXPECT_EQ(same.LevelModes, "qov");

    // MODES: the mode changes one line may carry; 3 unless the server says, none for no value,
    // and a value that is no number is not taken.
    ChannelModeRules modes;
    EXPECT_EQ(modes.ModesPerLine, 3u);
    EXPECT_TRUE(ReadServerModeTokens(ParseIrcMessage(":s 005 me MODES=6 :ok"), modes));
    EXPECT_EQ(modes.ModesPerLine, 6u);
    EXPECT_FALSE(ReadServerModeTokens(ParseIrcMessage(":s 005 me MODES=4x MODES=0 :ok"), modes));
    EXPECT_EQ(modes.ModesPerLine, 6u);
    EXPECT_TRUE(ReadServerModeTokens(ParseIrcMessage(":s 005 me MODES :ok"), modes));
    EXPECT_EQ(modes.ModesPerLine, 0u);
}

TEST_F(NickLists, ModeChangesFollowTheServersRules) {
    Fill(channel_, "a b key me");
    Sent();
    Handle(":op!o@h MODE #c +ov a b");
    EXPECT_EQ(Nicks(channel_), (std::vector<std::wstring>{L"@a", L"+b", L"key", L"me"}));
    Handle(":op!o@h MODE #c -v a"); // demoting below the level held changes nothing
    Handle(":op!o@h MODE #c -o a");
    EXPECT_EQ(Level("a"), 1u);

    // Without the server's rules "+ko key b" would op "key".
    Handle(":irc.test 005 me PREFIX=(qaohv)~&@%+ CHANMODES=beI,k,l,imnst :are supported");
    Sent();
    Handle(":op!o@h MODE #c +ko secret b");
    EXPECT_EQ(Level("key"), 1u);
    EXPECT_EQ(Level("b"), 3u);
    EXPECT_EQ(Sent(), std::vector<std::string>{"MODE #c"}); // the key changed the channel's modes
    Handle(":op!o@h MODE #c +o key");                       // the mode query just went: not again so soon
    Handle(":op!o@h MODE #c +h b"); // held under b's '@': the list follows it without the names
    EXPECT_EQ(Level("b"), 3u);
    EXPECT_EQ(Sent(), std::vector<std::string>{});

    // A change without arguments asks for the modes at most once in a short time.
    Handle(":op!o@h MODE #d +m");
    Handle(":op!o@h MODE #c +m");
    Handle(":op!o@h MODE #c +n");
    Handle(":op!o@h MODE #c :+s");
    EXPECT_EQ(Sent(), std::vector<std::string>{});
    EXPECT_EQ(PrintedIn(channel_).back(), "+s");

    Handle(":me MODE me :+iw");
    EXPECT_EQ(Connection().OwnUserModes, "+iw");
}

// InspIRCd's lines as it sent them on loopback, and hybrid's several changes in one line: a
// member shows the highest mode held by the server's PREFIX order, whichever come and go.
TEST_F(NickLists, HalfopsAndOperatorsFollowEveryModeChange) {
    using Items = std::vector<std::wstring>;
    Handle(":irc.insp.test 005 me CHANMODES=b,k,l,imnpst CHANTYPES=# MODES=20 PREFIX=(ohv)@%+ :are "
           "supported by this server");
    Fill(channel_, "@opnick qvuser");
    Sent();
    Handle(":opnick!opnick@127.0.0.1 MODE #c +h :qvuser");
    EXPECT_EQ(Nicks(channel_), (Items{L"@opnick", L"%qvuser"}));
    Handle(":opnick!opnick@127.0.0.1 MODE #c +o :qvuser");
    EXPECT_EQ(Nicks(channel_), (Items{L"@opnick", L"@qvuser"}));
    Handle(":opnick!opnick@127.0.0.1 MODE #c -o :qvuser");
    EXPECT_EQ(Nicks(channel_), (Items{L"@opnick", L"%qvuser"}));
    Handle(":opnick!~opnick@127.0.0.1 MODE #c +v-h+o qvuser qvuser qvuser");
    Handle(":opnick!~opnick@127.0.0.1 MODE #c -o qvuser");
    EXPECT_EQ(Nicks(channel_), (Items{L"@opnick", L"+qvuser"}));
    EXPECT_EQ(Sent(), std::vector<std::string>{});

    // A names reply shows the highest mode only: when that goes, the list shows what is known and
    // asks for the names, which tell what is left.
    Handle(":opnick!opnick@127.0.0.1 MODE #c -o :opnick");
    EXPECT_EQ(Sent(), std::vector<std::string>{"NAMES #c"});
    EXPECT_EQ(Nicks(channel_), (Items{L"+qvuser", L"opnick"}));
}

TEST_F(NickLists, DefaultRulesAskForNamesWhenTheyCannotFollow) {
    Fill(channel_, "a");
    Sent();
    Handle(":op!o@h MODE #c +b-o *!*@mask a");
    EXPECT_EQ(Sent(), (std::vector<std::string>{"NAMES #c", "MODE #c"}));
}

TEST_F(NickLists, NamesFillTheListInOrderAndStartAfresh) {
    SetConfig("Cfg\\Options1", "Nick_Prefixes", ".");
    Handle(":irc.test 353 me = #c :zed @op +voice");
    Handle(":irc.test 353 me = #c :.owner  plain :colon");
    Handle(":irc.test 366 me #c :End");
    EXPECT_EQ(Nicks(channel_),
              (std::vector<std::wstring>{L"@op", L".owner", L"+voice", L"colon", L"plain", L"zed"}));
    EXPECT_EQ(GroupOf(channel_, L".owner"), 1);
    Handle(":irc.test 353 me = #c :new");
    EXPECT_EQ(Nicks(channel_), std::vector<std::wstring>{L"new"});
    // A names reply for a channel without a window is shown as it came.
    Handle(":irc.test 353 me = #none :x y");
    EXPECT_EQ(PrintedIn(Server()).back(), "= #none x y");
}

TEST_F(NickLists, ALargeChannelArrivesWhole) {
    // 5,000 members in the lines of about 400 bytes a server sends, a tenth of them operators.
    std::vector<std::wstring> expected;
    std::string names;
    for (int i = 0; i < 5000; ++i) {
        const std::string nick = (i % 10 == 0 ? "@" : "") + std::string("n") + std::to_string(10000 + i);
        expected.push_back(std::wstring(nick.begin(), nick.end()));
        names += (names.empty() ? "" : " ") + nick;
        if (names.size() > 400 || i == 4999) {
            Handle(":irc.test 353 me = #c :" + names);
            names.clear();
        }
    }
    Handle(":irc.test 366 me #c :End of NAMES list");
    std::stable_partition(expected.begin(), expected.end(),
                          [](const std::wstring& n) { return n[0] == L'@'; });
    EXPECT_EQ(Nicks(channel_), expected);
    EXPECT_EQ(GroupOf(channel_, L"@n10000"), 2);
    EXPECT_EQ(Level("n14999"), 1u);
    EXPECT_EQ(Connection().NamesInProgress, 0u);
}
