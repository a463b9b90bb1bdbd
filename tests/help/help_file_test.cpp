// The help file beside the program, read back by a CHM reader other than the program: every page
// decodes, the pages of the commands and the built-in functions match the tables' rows, and the
// script language has its guide with its examples and an entry for every event and trigger setting.
#include <gtest/gtest.h>

#include "commands/command_table.h"
#include "script/builtin_dispatch.h"
#include "script/event_table.h"
#include "script/trigger_fields.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/support/test_files.h"

#include <string>

namespace {

size_t PagesIn(const std::wstring& folder) {
    size_t count = 0;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.htm").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

TEST(HelpFile, EveryPageDecodesAndTheTablesEachHaveTheirPages) {
    TestFolder out(L"chm");
    const std::string chm = UnixPath(TestProgramFolder() + L"\\qv.chm");
    ASSERT_EQ(0, RunShell("chmls extractall " + ShellQuote(chm) + " " + ShellQuote(UnixPath(out.Path())) +
                          " >/dev/null 2>&1"))
        << "chmls cannot read " << chm;

    for (const wchar_t* page : {L"index.htm", L"getting_started.htm", L"menus.htm", L"settings_files.htm"})
        EXPECT_TRUE(FileExists(out.File(page))) << "no page " << UnixPath(out.File(page));
    EXPECT_EQ(CommandRows().size(), PagesIn(out.File(L"commands")));
    EXPECT_EQ(BuiltinTable().size(), PagesIn(out.File(L"builtins")));

    // The contents of the commands name each row by its first word.
    const std::string list = ReadFileBytes(out.File(L"commands.htm"));
    for (const CommandRow& row : CommandRows()) {
        const std::string words = row.Words;
        const std::string word = words.substr(0, words.find(' '));
        EXPECT_NE(std::string::npos, list.find(">" + word + "</a>")) << word;
    }
    EXPECT_NE(std::string::npos, ReadFileBytes(out.File(L"menus.htm")).find("(command 806)"));

    const std::string guide = ReadFileBytes(out.File(L"script_language.htm"));
    for (const char* part :
         {"id=\"statements\"", "id=\"variables\"", "id=\"expressions\"", "id=\"directives\"", "id=\"events\"",
          "id=\"triggers\"", "id=\"timers\"", "id=\"foreign\"", ":* PRIVMSG #* :!ping",
          "/msg $channel pong, $nick", "/timer reminder 3 10"})
        EXPECT_NE(std::string::npos, guide.find(part)) << part;
    const std::string events = ReadFileBytes(out.File(L"script_events.htm"));
    for (const ScriptEvent& event : ScriptEvents())
        EXPECT_NE(std::string::npos, events.find("<code>" + std::string(event.Name) + "</code>"))
            << event.Name;
    const std::string fields = ReadFileBytes(out.File(L"script_trigger_settings.htm"));
    for (const TriggerField& field : TriggerFields())
        EXPECT_NE(std::string::npos, fields.find("<code>" + std::string(field.Name) + "</code>"))
            << field.Name;
}

} // namespace
