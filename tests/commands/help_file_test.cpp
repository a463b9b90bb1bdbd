// The help file beside the program, read back by a CHM reader other than the program: every page
// decodes, and the pages of the commands and the built-in functions match the tables' rows.
#include <gtest/gtest.h>

#include "commands/command_table.h"
#include "script/builtin_dispatch.h"
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
}

} // namespace
