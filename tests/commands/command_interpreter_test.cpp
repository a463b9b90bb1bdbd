// The interpreter's frame: what counts as a command, word counts, refusals (also of the
// commands whose handlers this program does not carry yet), the target window and help mode.
#include "commands/command_interpreter.h"
#include "common/app_state.h"
#include "common/lang_strings.h"
#include "tests/commands/command_test_fixture.h"
#include "tests/common/test_paths.h"
#include "tests/recorders/recorders.h"

namespace {

using CommandInterpreter = CommandTest;
using Lines = std::vector<std::string>;

uint64_t Command(const char* line, WindowRecord* connection, WindowRecord* target = nullptr) {
    return ExecuteCommand(line, connection, target, nullptr);
}

} // namespace

TEST_F(CommandInterpreter, OnlyKnownCommandWordsAreHandled) {
    EXPECT_EQ(Command(nullptr, Server()), 0u);
    EXPECT_EQ(Command("", Server()), 0u);
    EXPECT_EQ(Command("hello", Server()), 0u);
    EXPECT_EQ(Command("/", Server()), 0u);
    EXPECT_EQ(Command("/ eval 1", Server()), 0u);
    EXPECT_EQ(Command("/whois bob", Server()), 0u);
    EXPECT_EQ(Command("/JoIn", Server()), 1u);
    EXPECT_EQ(Command("/names\r\n", Server()), 1u); // line ends are not part of the last word
    EXPECT_EQ(ServerLines(), (Lines{"NAMES #a"}));
    EXPECT_EQ(WindowEffects(), (Lines{"frame 706"}));
}

TEST_F(CommandInterpreter, WordCountsAndWindowsRefuse) {
    EXPECT_EQ(Command("/join #a", Server()), 0u);    // exactly one word
    EXPECT_EQ(Command("/invite a b", Server()), 0u); // exactly two
    EXPECT_EQ(Command("/msg bob", Server()), 0u);    // at least three
    EXPECT_EQ(Command("/names", Server(), Query()), 0u);
    EXPECT_EQ(Command("/opnotice hi", Server(), Query()), 0u);
    // A refusal inside a command built by another is the outer command's refusal too; the
    // built command acts on the active window.
    SetRecordedActiveWindow(Dcc());
    EXPECT_EQ(Command("/ctcp bob VERSION", Server(), Channel()), 0u);
    SetRecordedActiveWindow(Channel());
    EXPECT_EQ(Command("/emulateserver PING :x", nullptr), 0u);
    EXPECT_EQ(Command("/part", nullptr), 0u);
    // No target window at all: commands that need one refuse.
    SetRecordedActiveWindow(nullptr);
    EXPECT_EQ(Command("/quit", Server()), 0u);
    EXPECT_EQ(Command("/me waves", Server()), 0u);
    EXPECT_EQ(Command("/sound x", Server()), 0u);
    EXPECT_EQ(ServerLines(), Lines{});
    EXPECT_EQ(WindowEffects(), Lines{});
}

TEST_F(CommandInterpreter, TheGivenTargetWinsOverTheActiveWindow) {
    SetRecordedActiveWindow(Query());
    EXPECT_EQ(Command("/names", Server(), Channel()), 1u);
    EXPECT_EQ(Command("/kick carol", Server(), Channel()), 1u);
    EXPECT_EQ(Command("/kick carol", Server()), 0u); // the active query
    EXPECT_EQ(ServerLines(), (Lines{"NAMES #a", "KICK #a carol :"}));
}

TEST_F(CommandInterpreter, HelpModeFindsTheHelpLineOfTheTypedCommand) {
    const HMODULE language = LanguageModule.load();
    LanguageModule = LoadLibraryW(BesideTestProgram(L"commands_help_strings.dll").c_str());
    ASSERT_NE(LanguageModule.load(), nullptr);
    LoadLangStringList();
    WindowRecord* const prefix = Server(); // any non-null target asks for a prefix search

    wchar_t help[1000] = L"unchanged";
    EXPECT_EQ(ExecuteCommand("/jo", nullptr, prefix, help), 1u);
    EXPECT_STREQ(help, L"\x02\x03"
                       L"4/join - opens the join dialog");
    EXPECT_EQ(ExecuteCommand("/jo", nullptr, nullptr, help), 1u);
    EXPECT_STREQ(help, L"\x02\x03"
                       L"4/jo - a command of its own");
    EXPECT_EQ(ExecuteCommand("/KICK", nullptr, nullptr, help), 1u);
    EXPECT_STREQ(help, L"\x02\x03"
                       L"4/kick [channel] nick [reason]");
    wcscpy(help, L"unchanged");
    EXPECT_EQ(ExecuteCommand("/zz", nullptr, prefix, help), 1u);
    EXPECT_STREQ(help, L"unchanged");
    EXPECT_EQ(ExecuteCommand("join", nullptr, prefix, help), 0u);
    // Help mode carries nothing out.
    EXPECT_EQ(ExecuteCommand("/join", Server(), nullptr, help), 1u);
    EXPECT_EQ(WindowEffects(), Lines{});

    FreeLangStringList();
    FreeLibrary(LanguageModule.load());
    LanguageModule = language;
}
