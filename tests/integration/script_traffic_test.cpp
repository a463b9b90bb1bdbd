// Event scripts and trigger scripts driven by a real server: the connection, the input-line
// dispatcher, the command interpreter and the script engine linked together, with a second
// client to see what reaches the server.
#include <gtest/gtest.h>

#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "irc/send_path.h"
#include "irc/server_session.h"
#include "script/script_variables.h"
#include "core/frame_message_ids.h"
#include "tests/recorders/recorders.h"
#include "tests/support/chat_test_frame.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"
#include "commands/plugin_host.h"
#include "common/xstring.h"
#include "tests/common/test_paths.h"
#include "tests/support/test_files.h"

#include <memory>
#include <string>

namespace {

// Three connect events that leave a trail in a connection variable, the third joins "#t" and
// reports the trail; "On_Input" counts the lines and swallows "hush"; an incoming-text trigger
// that echoes what "peer2" says after "!echo" unless it says "veto", a disabled one that would
// answer everything; two typed-command triggers, the second with "Enabled" 0, which a typed
// command's trigger does not read.
const char kSettings[] =
    "<root><Special_Scripts>"
    "<e name=\"On_Connect_1\"><![CDATA[$trail = \"one\"]]></e>"
    "<e name=\"On_Connect_2\"><![CDATA[$trail += \" two\"]]></e>"
    "<e name=\"On_Connect_3\"><![CDATA[/join #t\r\n/msg peer2 $trail three $0]]></e>"
    "<e name=\"On_Input\"><![CDATA[$typed += 1\r\nif ($0 == \"hush\")\r\n{\r\n#lock\r\n}]]></e>"
    "</Special_Scripts><Scripts>"
    "<s name=\"echo\" Trigger_Type=\"1\" Enabled=\"1\" Trigger=\"*PRIVMSG tester :!echo *\""
    " Anti_Trigger=\"*veto*\"><![CDATA[/msg peer2 echo $4*]]></s>"
    "<s name=\"off\" Trigger_Type=\"1\" Enabled=\"0\" Trigger=\"*\">"
    "<![CDATA[/msg peer2 disabled trigger ran]]></s>"
    "<s name=\"greet\" Trigger_Type=\"0\" Enabled=\"1\" Trigger=\"/greet\">"
    "<![CDATA[/msg peer2 hello $1* after $typed]]></s>"
    "<s name=\"shout\" Trigger_Type=\"0\" Enabled=\"0\" Trigger=\"/shout\">"
    "<![CDATA[/msg peer2 shouting]]></s>"
    "</Scripts></root>";

class ScriptTraffic : public testing::Test {
protected:
    void SetUp() override {
        PrepareConnectionTests();
        CallLog::Instance().Clear();
        DefaultCodePage = CP_UTF8;
        frame_ = std::make_unique<ChatTestFrame>();
        SetFloodDelay(frame_->Window(), 50); // lines leave through the flood queue, as in the program
        ASSERT_TRUE(ngircd_.WaitReady()) << ngircd_.Log();
        peer_ = std::make_unique<IrcClient>(ngircd_.Port(), "peer2");
        ASSERT_TRUE(peer_->WaitFor(" 376 peer2 "));
        peer_->Send("JOIN #t");
        ASSERT_TRUE(peer_->WaitFor("JOIN :#t"));
        server_ = std::make_unique<ServerWindow>();
        server_->Aim(ngircd_.Port());
        SetRecordedActiveWindow(Server()); // the user works in the server window
        SetVariable("$trail", "none", kConnectionScope);
        SetVariable("$typed", "0", kConnectionScope);
    }

    void TearDown() override {
        SetRecordedActiveWindow(nullptr);
        frame_->CloseOpenedWindows();
        server_.reset();
        SetFloodDelay(frame_->Window(), 0);
        frame_.reset();
        UserConfigDocument = nullptr;
        CallLog::Instance().Clear();
    }

    void UseSettings(const char* rootXml) {
        settings_ = std::make_unique<XmlDocument>();
        XmlDocumentOpenText(settings_.get(), (std::string("<?xml ?>") + rootXml).c_str());
        UserConfigDocument = settings_.get();
    }

    void SetVariable(const std::string& name, const std::string& value, uint32_t scope) {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        ScriptVariableList locals;
        if (ScriptVariable* v = SetScriptVariable(locals, Server(), name, value, scope)) v->Values[0] = value;
    }

    std::string Variable(const std::string& name) {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        ScriptVariableList locals;
        const ScriptVariable* v = FindScriptVariable(locals, Server(), name, nullptr);
        return v ? v->Values[0] : std::string();
    }

    WindowRecord* Server() const { return server_->Record(); }

    // Connects and waits for the end of the welcome (shown by the generic numeric display).
    void Connect() {
        StartServerConnection(Server());
        EXPECT_TRUE(PumpUntil([] { return Printed("End of MOTD"); }, 10000)) << ngircd_.Log();
        Server()->Connection->Registered = 1; // as the welcome's handler leaves it
    }

    // Types the line into the window, which becomes the one the user works in.
    void Type(WindowRecord* window, const std::string& line) {
        SetRecordedActiveWindow(window);
        ProcessInputLine(line.c_str(), window);
    }

    // A channel window for "#t" under the server window, opened by the frame.
    WindowRecord* OpenChannel() {
        OpenChatWindowRequest request{Server(), kChannelWindow, "#t", 0};
        const HWND window = reinterpret_cast<HWND>(
            SendMessageW(frame_->Window(), WM_OPEN_CHAT_WINDOW, 0, reinterpret_cast<LPARAM>(&request)));
        return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }

    static bool Printed(const std::string& text) {
        for (const std::string& line : CallTexts("PrintToWindow"))
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    // Waits for the peer to receive the text while this thread runs the frame's timer.
    bool PeerSees(const std::string& text, DWORD timeoutMs = 5000) {
        return PumpUntil([&] { return peer_->WaitFor(text, 0); }, timeoutMs);
    }
    bool PeerSaw(const std::string& text) { return peer_->WaitFor(text, 0); }

    // Asks ngircd for its user counts through the peer; true when it holds connections that
    // have not registered.
    bool ServerHoldsUnregistered() {
        const size_t before = peer_->Lines().size();
        peer_->Send("LUSERS");
        std::vector<IrcClient::Received> lines;
        const auto answered = [&](const char* numeric) {
            for (size_t i = before; i < lines.size(); ++i)
                if (lines[i].Line.find(numeric) != std::string::npos) return true;
            return false;
        };
        EXPECT_TRUE(PumpUntil([&] {
            lines = peer_->Lines();
            return answered(" 266 peer2 ");
        }));
        return answered(" 253 peer2 ");
    }

    NgircdServer ngircd_;
    std::unique_ptr<ChatTestFrame> frame_;
    std::unique_ptr<IrcClient> peer_;
    std::unique_ptr<ServerWindow> server_;
    std::unique_ptr<XmlDocument> settings_;
};

} // namespace

TEST_F(ScriptTraffic, ConnectEventsRunInTurnWithTheHost) {
    UseSettings(kSettings);
    Connect();
    EXPECT_TRUE(PeerSees(":tester!~tester@127.0.0.1 JOIN :#t"));
    EXPECT_TRUE(PeerSees(":tester!~tester@127.0.0.1 PRIVMSG peer2 :one two three 127.0.0.1"));
}

TEST_F(ScriptTraffic, AConnectEventThatLocksCallsTheAttemptOff) {
    // The probe itself: a connection that never registers is reported.
    const SOCKET idle = ConnectLoopback(ngircd_.Port());
    EXPECT_TRUE(PumpUntil([&] { return ServerHoldsUnregistered(); }));
    closesocket(idle);

    for (const char* event : {"On_Connect_1", "On_Connect_2"}) {
        SCOPED_TRACE(event);
        UseSettings(("<root><Special_Scripts><e name=\"" + std::string(event) +
                     "\"><![CDATA[$trail = \"called off\"\r\n#lock]]></e></Special_Scripts></root>")
                        .c_str());
        SetVariable("$trail", "none", kConnectionScope);
        const HANDLE thread = StartServerConnection(Server());
        ASSERT_NE(thread, nullptr);
        EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }));
        EXPECT_EQ(Variable("$trail"), "called off");
        EXPECT_EQ(server_->Connection().Socket.load(), 0u);
        // No socket of the attempt stays open at the server, and it never registered.
        EXPECT_TRUE(PumpUntil([&] { return !ServerHoldsUnregistered(); }));
        EXPECT_EQ(ngircd_.Log().find("tester"), std::string::npos) << ngircd_.Log();
    }
}

TEST_F(ScriptTraffic, IncomingTextTriggersAnswerTheSender) {
    UseSettings(kSettings);
    SetVariable("$secret", "hunter2", kGlobalScope);
    Connect();
    ASSERT_TRUE(PeerSees("PRIVMSG peer2 :one two three"));

    peer_->Send("PRIVMSG tester :!echo hello there");
    EXPECT_TRUE(PeerSees(":tester!~tester@127.0.0.1 PRIVMSG peer2 :echo hello there"));
    peer_->Send("PRIVMSG tester :!echo veto this");
    // Text from the server reaches the script as plain text: nothing in it is expanded or run.
    const std::string bait = "$secret remove(C:\\x) $CRLF QUIT \\x0d\\x0aQUIT $mynick";
    peer_->Send("PRIVMSG tester :!echo " + bait);
    EXPECT_TRUE(PeerSees("PRIVMSG peer2 :echo " + bait));
    // Lines are handled in order, so the vetoed one was passed over by now.
    EXPECT_FALSE(PeerSaw("echo veto"));
    EXPECT_FALSE(PeerSaw("hunter2"));
    EXPECT_FALSE(PeerSaw("disabled trigger ran"));
    EXPECT_FALSE(PeerSaw("QUIT :"));
    EXPECT_NE(server_->Connection().Socket.load(), 0u);
}

TEST_F(ScriptTraffic, TypedCommandTriggersRunWhateverTheirEnabledSays) {
    UseSettings(kSettings);
    Connect();
    ASSERT_TRUE(PeerSees("PRIVMSG peer2 :one two three"));
    WindowRecord* channel = OpenChannel();
    ASSERT_NE(channel, nullptr);
    LineCollector collector({}, {421});

    Type(channel, "/greet you all");
    EXPECT_TRUE(PeerSees(":tester!~tester@127.0.0.1 PRIVMSG peer2 :hello you all after "));
    EXPECT_TRUE(PumpUntil([] { return Printed(" : hello you all"); })); // the worker is done
    Type(channel, "/shout loud");
    EXPECT_TRUE(PeerSees(":tester!~tester@127.0.0.1 PRIVMSG peer2 :shouting"));
    // A line no trigger takes goes to the server as a raw command, which it does not know.
    Type(channel, "/whisper soft");
    EXPECT_TRUE(PumpUntil([&] { return collector.WaitFor(" 421 tester whisper ", 0); }));
}

TEST_F(ScriptTraffic, OnInputSeesEveryTypedLineAndSwallowsOne) {
    UseSettings(kSettings);
    Connect();
    ASSERT_TRUE(PeerSees("PRIVMSG peer2 :one two three"));
    WindowRecord* channel = OpenChannel();
    ASSERT_NE(channel, nullptr);
    SetVariable("$typed", "0", kConnectionScope);

    for (const char* line : {"first line", "hush", "last line"}) Type(channel, line);
    Type(channel, "/greet counted");
    EXPECT_TRUE(PeerSees("PRIVMSG peer2 :hello counted after 4"));
    EXPECT_TRUE(PumpUntil([] { return Printed(" : hello counted"); }));
    EXPECT_TRUE(PeerSaw(":tester!~tester@127.0.0.1 PRIVMSG #t :first line"));
    EXPECT_TRUE(PeerSaw(":tester!~tester@127.0.0.1 PRIVMSG #t :last line"));
    EXPECT_FALSE(PeerSaw("hush"));
}

// A trigger script that hands the text a server sent to the commands that start programs, load
// code or write settings: each refuses with a line, so does a timer for such a command, and
// nothing is started or written; what does none of this goes on as ever.
TEST_F(ScriptTraffic, ServerTextNeverStartsProgramsOrWritesCodeLoadingSettings) {
    TestFolder folder(L"remote");
    const std::wstring program = folder.File(L"program_recorder.exe");
    ASSERT_TRUE(CopyFileW(BesideTestProgram(L"program_recorder.exe").c_str(), program.c_str(), FALSE));
    UseSettings("<root><Cfg><Options1 Installed_Plugins=\"mine.dll\"/></Cfg><Scripts>"
                "<s name=\"do\" Trigger_Type=\"1\" Enabled=\"1\" Trigger=\"*PRIVMSG tester :!do *\"><![CDATA["
                "/run $4*\r\n/shellexecute open $4*\r\n/prefs Cfg\\Options1 Installed_Plugins $4*\r\n"
                "/plugin +$4*\r\n/timer *later 1 1 /run $4*\r\n/prefs Cfg\\Options1 Default_Nick $4*\r\n"
                "/msg peer2 done]]></s></Scripts></root>");
    SetPluginPaths({L"mine.dll"});
    Server()->Window = MakeChatWindowFor(Server()); // holds the script's timer
    Connect();

    const std::string target = WideToNarrow(program);
    peer_->Send("PRIVMSG tester :!do " + target);
    EXPECT_TRUE(PeerSees("PRIVMSG peer2 :done"));
    const auto refusals = [] {
        size_t count = 0;
        for (const std::string& line : CallTexts("PrintToWindow"))
            if (line.find("was not run") != std::string::npos) ++count;
        return count;
    };
    EXPECT_TRUE(PumpUntil([&] { return refusals() == 6; }, 10000)) << refusals();
    EXPECT_FALSE(FileExists(folder.File(L"started.txt")));
    char value[1000] = {};
    XmlGetProfileString("Cfg\\Options1", "Installed_Plugins", "", value, sizeof value, nullptr,
                        UserConfigDocument);
    EXPECT_STREQ(value, "mine.dll");
    EXPECT_EQ(PluginPaths(), std::vector<std::wstring>{L"mine.dll"});
    XmlGetProfileString("Cfg\\Options1", "Default_Nick", "", value, sizeof value, nullptr,
                        UserConfigDocument);
    EXPECT_STREQ(value, "");

    // Typed, the same line starts the program.
    Type(Server(), "/run " + target + ",typed");
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadFileBytes(folder.File(L"started.txt")).find("typed") != std::string::npos; },
        20000));
    SetPluginPaths({});
    DestroyWindow(Server()->Window);
    Server()->Window = nullptr;
}
