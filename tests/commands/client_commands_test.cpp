// The window, script, list and settings commands typed into a window: the lines that reach the
// server, what the windows, views, timers and scripts are asked to do, and what the commands
// leave in the variables, the lists, the remembered users and the settings.
#include "commands/input_dispatcher.h"
#include "tests/commands/command_test_fixture.h"

#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/xstring.h"
#include "irc/remembered_user.h"
#include "irc/server_connection.h"
#include "script/script_variables.h"
#include "core/debug_level.h"
#include "core/dcc_connection.h"
#include "core/preferences_request.h"
#include "core/user_lists.h"
#include "tests/recorders/recorders.h"
#include "tests/support/test_files.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// What the windows, views and scripts were asked to do, in order.
Lines Effects() {
    Lines effects;
    for (const RecordedCall& call : CallLog::Instance().Calls()) {
        const std::string name = call.Window ? call.Window->Name : "";
        const std::string& s = call.Service;
        if (s == "PrintToWindow") effects.push_back("print " + name + ": " + call.Text);
        if (s == "ClearChatView") effects.push_back("clear " + name);
        if (s == "SetWindowTabState") effects.push_back("tab " + name + " " + std::to_string(call.Number));
        if (s == "WM_CLOSE") effects.push_back("close " + name);
        if (s == "FrameCommand") effects.push_back("frame " + std::to_string(call.Number));
        if (s == "ScriptTimer") effects.push_back("timer " + name + " " + std::to_string(call.Number));
        if (s == "ExecuteScript")
            effects.push_back("script " + std::to_string(call.Number) + " " + call.Text);
    }
    return effects;
}

const std::string kDot = "\x12\xc2\xb7\x12";

// S server window "irc.test", C channel "#a", Q query "bob", D DCC chat "peer".
struct ClientCommandCase {
    char Window;
    const char* Line;
    Lines Sent;       // what reaches the server, in order
    Lines Effects;    // what the windows and scripts were asked to do
    bool Raw = false; // refused: the line goes to the trigger worker
};

const std::vector<ClientCommandCase> kCases = {
    // Script text: the script runs for real, and what its statements say shows what it ran.
    {'C',
     "/eval hello ||| world",
     {"PRIVMSG #a :hello", "PRIVMSG #a :world"},
     {"print #a: hello", "print #a: world"}},
    {'Q', "// hello", {"PRIVMSG bob :hello"}, {"print bob: hello"}},
    {'C', "/eval", {"eval"}, {}, true},
    {'C', "/runscript $1 a  b", {"PRIVMSG #a :b"}, {"print #a: b"}},
    {'C', "/runscript", {"runscript"}, {}, true},
    // Said in, or printed into, the windows the target names on this connection.
    {'C', "/display # hello", {"PRIVMSG #a :hello"}, {"print #a: hello"}},
    {'C', "/say bob hi  there", {"PRIVMSG bob :hi  there"}, {"print bob: hi  there"}},
    {'S',
     "/display * x",
     {"x", "PRIVMSG #a :x", "PRIVMSG bob :x"},
     {"print #a: x", "print bob: x", "print peer: x"}},
    {'Q', "/display ! from the query", {"PRIVMSG bob :from the query"}, {"print bob: from the query"}},
    {'C', "/addtext #~ a note", {}, {"print #a: a note"}},
    {'C', "/addtextw b?b text", {}, {"print bob: text"}},
    {'C', "/addtext & q", {}, {"print bob: q"}},
    {'C', "/display #", {"display #"}, {}, true},
    {'C',
     "/awin all here",
     {"all here", "PRIVMSG #a :all here", "PRIVMSG bob :all here"},
     {"print #a: all here", "print bob: all here", "print peer: all here"}},
    {'C', "/achan hey you", {"PRIVMSG #a :hey you"}, {"print #a: hey you"}},
    {'C', "/achan hey", {"achan hey"}, {}, true},
    // Clearing and closing the target window, or every window a pattern names.
    {'C', "/clear", {}, {"clear #a"}},
    {'Q', "/clear #", {}, {"clear #a", "tab #a 0"}},
    {'C', "/clear b?b", {}, {"clear bob", "tab bob 0"}},
    {'C', "/close", {}, {"close #a"}},
    {'C', "/close &", {}, {"close bob"}},
    {'C', "/close $", {}, {"close peer", "close bob", "close #a", "close irc.test"}},
    {'C', "/close *e*", {}, {"close peer", "close irc.test"}},
    // Code pages.
    {'C', "/encoding #a 1252", {}, {"print #a: " + kDot + " Encoding set to: 1252 "}},
    {'C', "/charset 0", {}, {"print irc.test: " + kDot + " Encoding set to: 0 (ANSI)"}},
    {'C', "/utf8", {}, {"print irc.test: " + kDot + " Encoding set to: 65001 (UTF-8)"}},
    {'C', "/utf8 off", {}, {"print irc.test: " + kDot + " Encoding set to: 0 (ANSI)"}},
    {'C', "/utf8 ON", {}, {"print irc.test: " + kDot + " Encoding set to: 65001 (UTF-8)"}},
    {'D', "/encoding 1250", {}, {}},
    {'C', "/encoding nowhere", {"encoding nowhere"}, {}, true},
    // Quiet timers of the connection: each created, stopped, restarted or removed on the window
    // the line was typed in.
    {'C', "/timer *t1 3 5 /msg #a hi", {}, {"timer #a 5000"}},
    {'C', "/timer *t1 3 5 /msg #a again", {}, {}},
    {'Q', "/timer *T1 off", {}, {"timer bob 0"}},
    {'C', "/timer *t1 on", {}, {"timer #a 0", "timer #a 5000"}},
    {'C', "/timer *t1 die", {}, {"timer #a 0"}},
    {'C', "/timer *t2 on", {}, {}},
    {'S', "/timer *t3 1 90 /msg #a x", {}, {"timer irc.test 90"}},
    {'S', "/timer *t3 die", {}, {"timer irc.test 0"}},
    {'C', "/timer *t4 1", {"timer *t4 1"}, {}, true},
    {'D', "/timer", {"timer"}, {}, true},
    // Variables: scope 0 is handled and does nothing; "/undefine" with scope 0 is not handled.
    {'C', "/define z 5 0", {}, {}},
    {'C', "/undefine z 0", {"undefine z 0"}, {}, true},
    {'D', "/define z 5", {"define z 5"}, {}, true},
    {'D', "/undefine z", {"undefine z"}, {}, true},
    {'D', "/destroystaticvariable z", {"destroystaticvariable z"}, {}, true},
    {'D', "/setuserlevel bob 3", {"setuserlevel bob 3"}, {}, true},
    // A timed list entry removes itself with a quiet timer without a name.
    {'C', "/ignore *!*@spam.example 10", {}, {"timer #a 600000"}},
    {'C', "/notify carol 0", {}, {}},
    // The preferences window, at a section or not.
    {'C', "/prefs", {}, {"frame 811"}},
    {'C', "/preferences Cfg\\Colors", {}, {"frame 811"}},
    {'C', "/lbbgcolor", {}, {"frame 811"}},
    {'C', "/font", {}, {"frame 811"}},
    {'D', "/_set ip 1.2.3.4", {"_set ip 1.2.3.4"}, {}, true},
    {'C', "/_script only one field", {"_script only one field"}, {}, true},
    {'C', "/debug 1", {}, {}},
};

class ClientCommands : public CommandTest {
protected:
    WindowRecord* WindowFor(char code) {
        switch (code) {
            case 'S': return Server();
            case 'C': return Channel();
            case 'Q': return Query();
            default: return Dcc();
        }
    }
    void SetUp() override {
        CommandTest::SetUp();
        UseSettings("<qv><Cfg><User_Lists/></Cfg></qv>");
    }
    void TearDown() override {
        CommandTest::TearDown();
        LoadUserLists(); // the lists of no document: empty again
    }
};

std::string Variable(WindowRecord* window, const char* name) {
    ScriptVariableList locals;
    ScriptScopesReadLock lock(ScriptScopesMutex());
    uint32_t scope = 0;
    const ScriptVariable* variable = FindScriptVariable(locals, window, name, &scope);
    return variable ? variable->Values[0] + "@" + std::to_string(scope) : "none";
}

std::string Setting(const char* section, const char* key) {
    char value[1000] = {};
    XmlGetProfileString(section, key, "", value, sizeof value, nullptr, UserConfigDocument);
    return value;
}

} // namespace

TEST_F(ClientCommands, EachCommandSendsAndDoesExactlyItsPart) {
    for (const ClientCommandCase& c : kCases) {
        SCOPED_TRACE(std::string(1, c.Window) + " " + c.Line);
        CallLog::Instance().Clear();
        Type(WindowFor(c.Window), c.Line);
        if (c.Raw) {
            EXPECT_TRUE(WaitForTriggers(1));
        }
        EXPECT_EQ(ServerLines(), c.Sent);
        Pump();
        EXPECT_EQ(Effects(), c.Effects);
        EXPECT_EQ(CountCalls("RunTriggerScriptThread"), c.Raw ? 1u : 0u);
    }
    EXPECT_EQ(Dcc()->CodePage, 1250);
    EXPECT_EQ(Channel()->CodePage, 1252);
    EXPECT_EQ(DefaultCodePage.load(), static_cast<uint32_t>(CP_UTF8));
    EXPECT_EQ(TakePreferencesPendingSection(), "Cfg\\Fonts");
    EXPECT_EQ(DebugLevel.exchange(0), 1u);
}

TEST_F(ClientCommands, VariablesAreDefinedInTheirScopeAndRemoved) {
    Type(Channel(), "/define x 5");
    Type(Channel(), "/define $g hello 2");
    Type(Dcc(), "/define dccglobal 1 2");
    EXPECT_EQ(Variable(Channel(), "$x"), "5@1");
    EXPECT_EQ(Variable(Channel(), "$g"), "hello@2");
    Type(Channel(), "/define x 6");
    EXPECT_EQ(Variable(Channel(), "$x"), "5@1") << "an existing variable keeps its value";
    Type(Query(), "/undefine x");
    Type(Channel(), "/destroyglobalvariable g");
    Type(Channel(), "/undefine $dccglobal 2");
    EXPECT_EQ(Variable(Channel(), "$x"), "none");
    EXPECT_EQ(Variable(Channel(), "$g"), "none");
    EXPECT_EQ(Variable(Channel(), "$dccglobal"), "none");
}

TEST_F(ClientCommands, ListsAreChangedSavedAndEachTimedEntryExpires) {
    Type(Channel(), "/ignore bob!*@*");
    Type(Channel(), "/ignore +BOB!*@*"); // already there, ignoring case
    Type(Channel(), "/autovp +v!*@*");
    Type(Channel(), "/talknotify t!*@*");
    Type(Channel(), "/blacklist b1");
    Type(Channel(), "/blacklist b2");
    Type(Channel(), "/blacklist -B1");
    Type(Channel(), "/autoop -nobody");
    Type(Channel(), "/autovoice w!*@*");
    Type(Channel(), "/nottalk n!*@*");
    EXPECT_EQ(Setting("Cfg\\User_Lists", "Ignore_List"), "bob!*@*");
    EXPECT_EQ(Setting("Cfg\\User_Lists", "AutoVoice_List"), "v!*@* w!*@*");
    EXPECT_EQ(Setting("Cfg\\User_Lists", "TalkNotify_List"), "t!*@* n!*@*");
    EXPECT_EQ(Setting("Cfg\\User_Lists", "Black_List"), "b2");
    EXPECT_EQ(Setting("Cfg\\User_Lists", "AutoOp_List"), "") << "nothing removed, nothing saved";

    // A timed entry's timer has no name, so while it waits a second timed entry is added but
    // gets no timer: only the first goes again.
    Type(Channel(), "/notify one 1");
    Type(Channel(), "/notify two 1");
    EXPECT_EQ(Setting("Cfg\\User_Lists", "Notify_List"), "one two");
    {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        const auto& timers = Server()->Connection->Timers;
        ASSERT_EQ(timers.size(), 1u);
        EXPECT_EQ(timers[0].Name, L"");
        EXPECT_EQ(timers[0].Command, L"/notify -one");
        EXPECT_EQ(timers[0].Interval, 60000u);
    }
    // Its window timer fires in the channel it was typed in (sent here at once, as the system
    // would after a minute).
    SendMessageW(Channel()->Window, WM_TIMER, 1000u, 0);
    EXPECT_EQ(Setting("Cfg\\User_Lists", "Notify_List"), "two");
    ScriptScopesReadLock lock(ScriptScopesMutex());
    EXPECT_TRUE(Server()->Connection->Timers.empty());
}

TEST_F(ClientCommands, TimersRunTheirCommandAsOftenAsAskedAndAreListed) {
    Type(Channel(), "/timer tick 2 60 /msg #a tick");
    Pump();
    // Confirmed and listed with a link that removes it.
    bool listed = false;
    for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
        listed =
            listed || call.Text.find(" tick [2] [60 ms] : /msg #a tick [\x18{Remove|||/timer tick die}") !=
                          std::string::npos;
    EXPECT_TRUE(listed);
    EXPECT_TRUE(PumpUntil([&] {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        return Server()->Connection->Timers.empty();
    }));
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :tick", "PRIVMSG #a :tick"}));
    // A time of day runs once, at the next such time.
    Type(Channel(), "/timer *later 5 23:59 /msg #a late");
    ScriptScopesReadLock lock(ScriptScopesMutex());
    ASSERT_EQ(Server()->Connection->Timers.size(), 1u);
    EXPECT_EQ(Server()->Connection->Timers[0].Count, 1u);
    EXPECT_LE(Server()->Connection->Timers[0].Interval, 24u * 3600 * 1000);
}

TEST_F(ClientCommands, RememberedUsersTakeTheValueAfterTheNick) {
    Type(Channel(), "/setuserlevel carol 7");
    Type(Channel(), "/setuserfriendlevel carol 3");
    Type(Channel(), "/setuserstring carol likes  tea");
    Type(Channel(), "/setuserdomain carol *.example.org");
    Type(Channel(), "/setuserdata carol 12345678901");
    Type(Channel(), "/setuserenemylevel carol 2");
    Type(Channel(), "/setuserident carol ~c*");
    UserAddress query;
    query.Nick = "carol";
    const RememberedUser* user = FindRememberedUser(Server(), query);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->NickPattern, "carol");
    EXPECT_EQ(user->Level, 7u);
    EXPECT_EQ(user->FriendLevel, 3u);
    EXPECT_EQ(user->UserText, "likes  tea");
    EXPECT_EQ(user->DomainPattern, "*.example.org");
    EXPECT_EQ(user->UserData, 12345678901ull);
    EXPECT_EQ(user->EnemyLevel, 2u);
    EXPECT_EQ(user->IdentPattern, "~c*");
    EXPECT_EQ(Server()->Connection->RememberedUsers.size(), 1u);
}

TEST_F(ClientCommands, SettingsTriggerScriptsAndPluginPathsAreWrittenToTheFile) {
    TestFolder folder;
    const std::wstring file = folder.File(L"qv.xml");
    ASSERT_TRUE(WriteFileBytes(file,
                               "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Installed_Plugins=\"a.dll\"/>"
                               "</Cfg><Scripts><s name=\"old\"><![CDATA[/old]]></s></Scripts></qv>"));
    XmlDocument settings;
    XmlDocumentOpenFile(&settings, file.c_str());
    UserConfigDocument = &settings;
    SetPluginPaths({L"a.dll"});

    Type(Channel(), "/prefs Cfg\\Options1 Default_Nick some body");
    Type(Channel(), "/plugin +C:\\plugins\\b.dll");
    Type(Channel(), "/plugin -a.dll");
    Type(Channel(), "/_script greet|||3075|||0|||/greet|||*veto*|||0|||1024|||/msg #a hi|||/msg #a there");
    Type(Channel(), "/_script greet|||3|||0|||/hello|||x|||0|||0|||ignored|||0");
    Type(Channel(), "/_script old X");
    EXPECT_EQ(PluginPaths(), std::vector<std::wstring>{L"C:\\plugins\\b.dll"});
    Type(Channel(), "/_set ip \"10.1.2.3\"");
    EXPECT_EQ(Server()->Connection->LocalIPv4, "10.1.2.3");
    SetPluginPaths({});

    XmlDocument saved;
    XmlDocumentOpenFile(&saved, file.c_str());
    UserConfigDocument = &saved;
    EXPECT_EQ(Setting("Cfg\\Options1", "Installed_Plugins"), "C:\\plugins\\b.dll");
    EXPECT_EQ(Setting("Cfg\\Options1", "Default_Nick"), "some body");
    XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(&saved), "Scripts");
    ASSERT_EQ(XmlElementGetChildCount(scripts), 1u) << "\"old\" was removed";
    XmlElement* greet = XmlElementGetChild(scripts, 0);
    auto value = [&](const char* name) {
        return XmlVariableGetValueString(XmlElementFindVariableView(greet, name));
    };
    EXPECT_EQ(value("name"), "greet");
    EXPECT_EQ(value("Trigger"), "/hello");
    EXPECT_EQ(value("Trigger_Type"), "0");
    EXPECT_EQ(value("Description"), "Enter description here");
    EXPECT_EQ(value("Enabled"), "1") << "an option is stored as 1 or 0, as the trigger runner reads it";
    EXPECT_EQ(value("Locked"), "0");
    ASSERT_EQ(XmlElementGetCDataCount(greet), 1u);
    EXPECT_EQ(XmlElementGetCDataSections(greet)[0]->text, "ignored\r\n0\r\n");
    XmlDocumentDestroy(&saved);
    XmlDocumentDestroy(&settings);
    UserConfigDocument = nullptr;
}

TEST_F(ClientCommands, ScriptsAndAppearanceAreInstalledFromFilesAndExported) {
    TestFolder folder;
    const std::wstring file = folder.File(L"qv.xml");
    ASSERT_TRUE(
        WriteFileBytes(file, "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Installed_Plugins=\"mine.dll\" "
                             "TimeStamp_String=\"[%H]\"/><Options2 TimeStamp=\"1\"/><Colors BG_Color=\"1\"/>"
                             "<Fonts View_Font=\"Arial\"/><Options3><File_Transfers Auto_Accept=\"0\" "
                             "Blocked_Files=\"*.bat\"/></Options3></Cfg><Scripts/></qv>"));
    XmlDocument settings;
    XmlDocumentOpenFile(&settings, file.c_str());
    UserConfigDocument = &settings;
    ASSERT_TRUE(
        WriteFileBytes(folder.File(L"two scripts.xml"),
                       "<?xml version=\"1.0\" ?><scripts><s name=\"one\" Description=\"First one\">"
                       "<![CDATA[/msg #a one]]></s><s name=\"two\" Description=\"Second one\"/></scripts>"));
    ASSERT_TRUE(WriteFileBytes(
        folder.File(L"skin.xml"),
        "<?xml version=\"1.0\" ?><qv><Cfg><Colors BG_Color=\"255\" FG_Color=\"7\"/>"
        "<Options1 Installed_Plugins=\"evil.dll\" Language=\"evil.dll\" Default_Nick=\"skin\"/>"
        "<Options3><File_Transfers Auto_Accept=\"1\" Blocked_Files=\"\" "
        "Default_Download_Directory=\"C:\\Windows\"/></Options3><Lan_Options Use_IP=\"6.6.6.6\"/>"
        "<Proxy_List><n name=\"p\" Server=\"evil\"/></Proxy_List></Cfg><Scripts/></qv>"));
    {
        MessageBoxCloser closer;
        Type(Channel(), "/installscript " + WideToNarrow(folder.File(L"two scripts.xml")));
        const std::vector<std::string> told = closer.Texts();
        ASSERT_EQ(told.size(), 2u);
        EXPECT_NE(told[0].find("First one"), std::string::npos) << told[0];
        EXPECT_NE(told[1].find("Second one"), std::string::npos) << told[1];
    }
    Type(Channel(), "/installskin " + WideToNarrow(folder.File(L"skin.xml")));
    Type(Channel(), "/installskin " + WideToNarrow(folder.File(L"not there.xml")));
    EXPECT_EQ(Setting("Cfg\\Colors", "BG_Color"), "255");
    EXPECT_EQ(Setting("Cfg\\Colors", "FG_Color"), "7");
    EXPECT_EQ(Setting("Cfg\\Options1", "Installed_Plugins"), "mine.dll") << "a skin loads no code";
    EXPECT_EQ(Setting("Cfg\\Options1", "Language"), "");
    // A skin changes only looks: who the user is, what is accepted and where files go stay.
    EXPECT_EQ(Setting("Cfg\\Options1", "Default_Nick"), "");
    EXPECT_EQ(Setting("Cfg\\Options3\\File_Transfers", "Blocked_Files"), "*.bat");
    EXPECT_EQ(Setting("Cfg\\Options3\\File_Transfers", "Auto_Accept"), "0");
    EXPECT_EQ(Setting("Cfg\\Options3\\File_Transfers", "Default_Download_Directory"), "");
    EXPECT_EQ(Setting("Cfg\\Lan_Options", "Use_IP"), "");
    EXPECT_EQ(Setting("Cfg\\Proxy_List\\n", "Server"), "");
    const Lines printed = Effects();
    ASSERT_EQ(1, std::count_if(printed.begin(), printed.end(),
                               [](const std::string& e) { return e.find("left out") != std::string::npos; }));
    EXPECT_NE(
        std::find(
            printed.begin(), printed.end(),
            "print #a: The skin changes only how Brindlex looks; these settings in it were left "
            "out: Cfg\\Options1\\Installed_Plugins, Cfg\\Options1\\Language, Cfg\\Options1\\Default_Nick, "
            "Cfg\\Options3, Cfg\\Lan_Options, Cfg\\Proxy_List, Scripts"),
        printed.end());

    // Exported to the file the save dialog names, replacing what was there.
    const std::wstring exported = folder.File(L"exported.xml");
    ASSERT_TRUE(WriteFileBytes(exported, "old"));
    CallLog::Instance().AnswerText = [&](const RecordedCall&) { return WideToNarrow(exported); };
    Type(Channel(), "/installskin");
    CallLog::Instance().AnswerText = nullptr;
    XmlDocument skin;
    XmlDocumentOpenFile(&skin, exported.c_str());
    UserConfigDocument = &skin;
    EXPECT_EQ(Setting("Cfg\\Options1", "TimeStamp_String"), "[%H]");
    EXPECT_EQ(Setting("Cfg\\Options2", "TimeStamp"), "1");
    EXPECT_EQ(Setting("Cfg\\Colors", "BG_Color"), "255");
    EXPECT_EQ(Setting("Cfg\\Fonts", "View_Font"), "Arial");
    EXPECT_EQ(Setting("Cfg\\Options1", "Installed_Plugins"), "");
    XmlDocumentDestroy(&skin);

    // The installed scripts were saved with the settings.
    XmlDocument saved;
    XmlDocumentOpenFile(&saved, file.c_str());
    XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(&saved), "Scripts");
    ASSERT_EQ(XmlElementGetChildCount(scripts), 2u);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariableView(XmlElementGetChild(scripts, 1), "name")),
              "two");
    EXPECT_EQ(XmlElementGetCDataSections(XmlElementGetChild(scripts, 0))[0]->text, "/msg #a one");
    XmlDocumentDestroy(&saved);
    XmlDocumentDestroy(&settings);
    UserConfigDocument = nullptr;
}
