// The roads of a said line: "On_Input", the interpreter, the triggers, and plain text by window
// type with the code-page conversion and the echo; line breaks inside lines, long texts, the
// depth of "On_Input" and a hostile corpus.
#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "core/dcc_connection.h"
#include "core/line_kind.h"
#include "script/event_scripts.h"
#include "tests/commands/command_test_fixture.h"
#include "tests/recorders/recorders.h"

#include <random>
#include <thread>

namespace {

using InputDispatcher = CommandTest;
using Lines = std::vector<std::string>;

std::vector<RecordedCall> Prints() {
    return CallLog::Instance().Calls("PrintToWindow");
}

// Answers "On_Input" with the given result and every other event with "no script".
void AnswerOnInput(uint64_t result) {
    CallLog::Instance().Answer = [result](const RecordedCall& call) -> uint64_t {
        return call.Text.rfind("On_Input ", 0) == 0 ? result : kNoEventScript;
    };
}

// The non-empty pieces between CR and LF characters.
std::vector<std::wstring> PiecesBetweenLineBreaks(const std::wstring& text) {
    std::vector<std::wstring> pieces(1);
    for (wchar_t c : text) {
        if (c != L'\r' && c != L'\n')
            pieces.back() += c;
        else if (!pieces.back().empty())
            pieces.emplace_back();
    }
    if (pieces.back().empty()) pieces.pop_back();
    return pieces;
}

} // namespace

TEST_F(InputDispatcher, PastedTextBecomesOneLineForEachNonEmptyPiece) {
    ExecuteInputText(Channel(), L"a\r\n\r\nb\r\n");
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :a", "PRIVMSG #a :b"}));
    ExecuteInputText(Channel(), L"");
    ExecuteInputText(Channel(), L"\r\n\n\r");
    EXPECT_EQ(ServerLines(), Lines{});
    // Lone CR and LF end lines too.
    ExecuteInputText(Channel(), L"one\ntwo\rthree");
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :one", "PRIVMSG #a :two", "PRIVMSG #a :three"}));
    EXPECT_EQ(CountCalls("PrintToWindow"), 5u);
}

TEST_F(InputDispatcher, TypedTextTakesTheWindowsCodePage) {
    const std::wstring cafe = L"caf\u00e9";
    DefaultCodePage = 1252;
    ExecuteInputText(Channel(), cafe);
    ExecuteInputText(Channel(), cafe, {.PreferUtf8 = true}); // UTF-8 preferred
    DefaultCodePage = CP_UTF8;
    ExecuteInputText(Channel(), cafe);
    Channel()->CodePage = 1252; // the window's own code page wins over both
    ExecuteInputText(Channel(), cafe, {.PreferUtf8 = true});
    ExecuteInputText(Server(), L"PRIVMSG x :\u00e9");
    EXPECT_EQ(ServerLines(),
              (Lines{"PRIVMSG #a :caf\xE9", "PRIVMSG #a :caf\xC3\xA9", "PRIVMSG #a :caf\xC3\xA9",
                     "PRIVMSG #a :caf\xE9", "PRIVMSG x :\xC3\xA9"}));
    Dcc()->CodePage = 1252;
    ExecuteInputText(Dcc(), cafe);
    EXPECT_EQ(DccPeer().ReadLine().value_or(""), "caf\xE9");
}

TEST_F(InputDispatcher, ChannelAndQueryLinesAreEchoedWithTheOwnNick) {
    ProcessInputLine("hello\r\n", Channel());
    ProcessInputLine("hi bob", Query());
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :hello", "PRIVMSG bob :hi bob"}));
    EXPECT_EQ(CallTexts("FormatEventLine"), (Lines{"#a|hello", "bob|hi bob"}));
    const std::vector<RecordedCall> prints = Prints();
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0].Window, Channel());
    EXPECT_EQ(prints[0].Number, 0u); // own message
    EXPECT_EQ(prints[0].Text, "hello");
    // The sender travels with the line; the printer notes it in the window.
    EXPECT_EQ(prints[0].Sender, "me");

    // A server window sends the line raw and echoes nothing.
    CallLog::Instance().Clear();
    ProcessInputLine("WHOIS bob", Server());
    EXPECT_EQ(ServerLines(), (Lines{"WHOIS bob"}));
    EXPECT_EQ(CountCalls("PrintToWindow"), 0u);
}

// Text said where the session cannot carry it is never shown as said: before the server's
// welcome, and once the connection is gone, the window says the text was not sent.
TEST_F(InputDispatcher, TextNoSessionCarriesIsSaidNotSent) {
    const std::string notSent = "Not sent: this window is not connected to the server.";
    ServerConnection& connection = *Server()->Connection;
    connection.Registered = 0;
    ProcessInputLine("too early", Channel());
    ProcessInputLine("NICK other", Server()); // a server window's raw line needs no welcome
    EXPECT_EQ(ServerLines(), (Lines{"NICK other"}));
    EndServerSession(connection, 0);
    ProcessInputLine("hi bob", Query());
    ProcessInputLine("WHOIS bob", Server());
    EXPECT_EQ(CountCalls("FormatEventLine"), 0u);
    const std::vector<RecordedCall> prints = Prints();
    ASSERT_EQ(prints.size(), 3u);
    const WindowRecord* windows[] = {Channel(), Query(), Server()};
    for (size_t i = 0; i < prints.size(); ++i) {
        EXPECT_EQ(prints[i].Window, windows[i]) << i;
        EXPECT_EQ(prints[i].Number, static_cast<uint64_t>(kInformationLine)) << i;
        EXPECT_EQ(prints[i].Text, notSent) << i;
    }
}

TEST_F(InputDispatcher, DccChatLinesGoToThePeer) {
    ProcessInputLine("hello peer", Dcc());
    EXPECT_EQ(DccPeer().ReadLine().value_or(""), "hello peer");
    ASSERT_EQ(Prints().size(), 1u);
    EXPECT_EQ(Prints()[0].Sender, "me"); // the server connection's nick
    EXPECT_EQ(Prints()[0].Window, Dcc());

    // Without a server window, the chat's own name stands for the nick.
    Dcc()->Server = nullptr;
    ProcessInputLine("again", Dcc());
    Dcc()->Server = Server();
    EXPECT_EQ(DccPeer().ReadLine().value_or(""), "again");
    ASSERT_EQ(Prints().size(), 2u);
    EXPECT_EQ(Prints()[1].Sender, "me-dcc");
    EXPECT_EQ(ServerLines(), Lines{});
}

TEST_F(InputDispatcher, SpokenWhenTheWindowSpeaks) {
    Channel()->SpeakIncoming = 1;
    Server()->SpeakIncoming = 1;
    ProcessInputLine("say \xC3\xA9", Channel());
    ProcessInputLine("PING x", Server());
    EXPECT_EQ(CallTexts("SpeakText"), (Lines{"say \xC3\xA9"}));
    ServerLines();
}

TEST_F(InputDispatcher, OnInputSeesTheLineAndMaySwallowIt) {
    AnswerOnInput(1);
    ProcessInputLine("/join\r\n", Channel());
    ProcessInputLine("hello", Channel());
    EXPECT_EQ(ServerLines(), Lines{});
    EXPECT_EQ(WindowEffects(), Lines{});
    const std::vector<RecordedCall> events = CallLog::Instance().Calls("RunEventScript");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Text, "On_Input /join\r\n");
    EXPECT_EQ(events[0].Window, Channel());

    AnswerOnInput(0);
    ProcessInputLine("hello", Channel());
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :hello"}));
}

TEST_F(InputDispatcher, UnknownCommandsGoToTheTriggerWorker) {
    const DWORD self = GetCurrentThreadId();
    // Typed on the interface thread: one worker thread of its own, which sends the line raw.
    ProcessInputLine("/foo bar", Channel());
    ASSERT_TRUE(WaitForTriggers(1));
    EXPECT_EQ(ServerLines(), (Lines{"foo bar"}));
    std::vector<RecordedCall> runs = CallLog::Instance().Calls("RunTriggerScriptThread");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NE(runs[0].Number, self);
    EXPECT_EQ(runs[0].Window, Channel());

    // On any other thread the worker runs inline.
    CallLog::Instance().Clear();
    DWORD worker = 0;
    std::thread([&] {
        worker = GetCurrentThreadId();
        ProcessInputLine("/foo", Query());
    }).join();
    runs = CallLog::Instance().Calls("RunTriggerScriptThread");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Number, worker);
    EXPECT_EQ(ServerLines(), (Lines{"foo"}));

    // With noTriggers a "/" line is plain text.
    CallLog::Instance().Clear();
    ProcessInputLine("/foo", Channel(), {.NoTriggers = true});
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :/foo"}));
    EXPECT_EQ(CountCalls("RunTriggerScriptThread"), 0u);
}

TEST_F(InputDispatcher, PluginInputSaysTheLineInTheActiveWindow) {
    SetRecordedActiveWindow(nullptr);
    PluginInput("/join");
    PluginInput("hello");
    PluginInput(nullptr);
    const std::vector<RecordedCall> events = CallLog::Instance().Calls("RunEventScript");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Window, nullptr);
    EXPECT_EQ(WindowEffects(), Lines{});
    EXPECT_EQ(ServerLines(), Lines{});

    SetRecordedActiveWindow(Query());
    PluginInput("from a plug-in");
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG bob :from a plug-in"}));
}

// A line break inside a line from a script or plug-in never ends the server line early: the
// pieces are lines of their own, each through "On_Input", the interpreter and the window.
TEST_F(InputDispatcher, LineBreaksInsideALineMakeSeparateLines) {
    ProcessInputLine("/raw JOIN #x\r\nQUIT :gone", Channel());
    ProcessInputLine("a\rb\n\nc\r\n", Channel());
    EXPECT_EQ(ServerLines(), (Lines{"JOIN #x", "PRIVMSG #a :QUIT :gone", "PRIVMSG #a :a", "PRIVMSG #a :b",
                                    "PRIVMSG #a :c"}));
    EXPECT_EQ(CountCalls("RunEventScript"), 5u);

    // Straight into the interpreter, the send path keeps a line to its first break.
    EXPECT_EQ(ExecuteCommand("/raw JOIN #y\r\nQUIT :gone", Server(), Channel(), nullptr), 1u);
    EXPECT_EQ(ExecuteCommand("/msg carol hi\nQUIT", Server(), Channel(), nullptr), 1u);
    EXPECT_EQ(ServerLines(), (Lines{"JOIN #y", "PRIVMSG carol :hi"}));
}

TEST_F(InputDispatcher, LongTextsAndLongNamesHaveNoFixedLimit) {
    const std::string big(100000, 'x');
    ExecuteInputText(Channel(), std::wstring(100000, L'x'));
    const std::string name = "#" + std::string(499, 'c');
    WindowRecord* wide = AddWindow(kChannelWindow, name);
    SetRecordedActiveWindow(wide);
    ProcessInputLine("hi", wide);
    ProcessInputLine("/names", wide);
    ProcessInputLine(("/topic " + name + " " + big).c_str(), wide);
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :" + big, "PRIVMSG " + name + " :hi", "NAMES " + name,
                                    "TOPIC " + name + " :" + big}));
}

// An "On_Input" script that says its line again fires "On_Input" again; the depth is bounded
// and reported as a script error in the connection window, and nothing is sent.
TEST_F(InputDispatcher, OnInputThatSaysItsLineAgainStopsAtTheDepthLimit) {
    CallLog::Instance().Answer = [](const RecordedCall& call) -> uint64_t {
        if (call.Text.rfind("On_Input ", 0) != 0) return kNoEventScript;
        ProcessInputLine(call.Text.substr(9).c_str(), call.Window);
        return 1;
    };
    ProcessInputLine("again and again", Channel());
    CallLog::Instance().Answer = nullptr;
    EXPECT_EQ(CountCalls("RunEventScript"), kMaxOnInputNesting);
    const std::vector<RecordedCall> prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].Window, Server());
    EXPECT_NE(prints[0].Text.find("Script Error [again and again] : On_Input nested too deeply"),
              std::string::npos);
    EXPECT_EQ(ServerLines(), Lines{});

    // The guard counts only nested events: the next line is said as usual.
    ProcessInputLine("fine", Channel());
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :fine"}));
}

// A thousand random texts full of control characters, CR and LF: each piece between line
// breaks becomes exactly one server line carrying exactly that piece, and nothing else leaves.
TEST_F(InputDispatcher, HostileTextNeverMakesMoreLinesThanItsPieces) {
    std::mt19937 random(20240611);
    const std::wstring alphabet = L"\r\n\r\n\t \x01\x02\x03\x07\x0F\x1F\x7F:#!@abcXYZ019 \u00e9\u4e2d";
    size_t expectedTotal = 0;
    for (int i = 0; i < 1000; ++i) {
        std::wstring text(random() % 60, L' ');
        for (wchar_t& c : text) c = alphabet[random() % alphabet.size()];
        ExecuteInputText(Channel(), text);
        Lines expected;
        for (const std::wstring& piece : PiecesBetweenLineBreaks(text))
            expected.push_back("PRIVMSG #a :" + WideToNarrow(piece));
        expectedTotal += expected.size();
        for (const std::string& line : expected) {
            const std::optional<std::string> got = Irc().ReadLine();
            ASSERT_TRUE(got.has_value()) << i;
            ASSERT_EQ(*got, line) << i;
        }
    }
    EXPECT_EQ(ServerLines(), Lines{});
    EXPECT_EQ(CountCalls("PrintToWindow"), expectedTotal);
    EXPECT_GT(expectedTotal, 1000u);
}
