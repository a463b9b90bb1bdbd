#include <gtest/gtest.h>

#include "shell/setup/command_line.h"
#include "shell/controls/input_rules.h"
#include "core/startup_switches.h"

#include <string>
#include <vector>

namespace {

TEST(InputHistory, KeepsTheNewestHundred) {
    std::vector<std::wstring> history;
    for (int i = 0; i < 101; ++i) AddToInputHistory(history, std::to_wstring(i));
    ASSERT_EQ(100u, history.size());
    EXPECT_EQ(L"1", history.front());
    int32_t index = -1;
    std::wstring text;
    ASSERT_TRUE(RecallInputHistory(history, index, true, text));
    EXPECT_EQ(L"100", text) << "Up starts from the newest";
}

TEST(InputHistory, UpAndDownWalkAndEnd) {
    const std::vector<std::wstring> history = {L"a", L"b", L"c"};
    int32_t index = -1;
    std::wstring text = L"typed";
    EXPECT_FALSE(RecallInputHistory(history, index, false, text)) << "Down while not recalling";
    EXPECT_EQ(L"typed", text);
    const char* expectedUp[] = {"c", "b", "a", "a"};
    for (const char* expected : expectedUp) {
        ASSERT_TRUE(RecallInputHistory(history, index, true, text));
        EXPECT_EQ(std::wstring(expected, expected + 1), text);
    }
    EXPECT_EQ(0, index) << "never below the oldest";
    ASSERT_TRUE(RecallInputHistory(history, index, false, text));
    EXPECT_EQ(L"b", text);
    RecallInputHistory(history, index, false, text);
    ASSERT_TRUE(RecallInputHistory(history, index, false, text));
    EXPECT_EQ(L"", text) << "Down past the newest empties the box";
    EXPECT_EQ(-1, index);
}

TEST(InputHistory, EmptyHistoryUpChangesNothingAndDownThenEmpties) {
    const std::vector<std::wstring> history;
    int32_t index = -1;
    std::wstring text = L"draft";
    EXPECT_FALSE(RecallInputHistory(history, index, true, text));
    EXPECT_EQ(L"draft", text);
    EXPECT_TRUE(RecallInputHistory(history, index, false, text));
    EXPECT_EQ(L"", text);
}

TEST(QuickComplete, ReplacesWholeWordsPairByPair) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> from, to;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"brb now brb", {L"brb"}, {L"be right back"}, L"be right back now be right back"},
        {L"brbx brb", {L"brb"}, {L"back"}, L"brbx back"},
        {L"lol rofl", {L"lol", L"rofl"}, {L"laugh"}, L"laugh rofl"},
        // A replacement that holds its own word ends: the search goes on after the inserted text.
        {L"a b a", {L"a"}, {L"a a"}, L"a a b a a"},
        {L"nothing here", {L""}, {L"x"}, L"nothing here"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, ApplyQuickComplete(c.text, c.from, c.to)) << c.text;
}

TEST(WindowKeys, DigitsPickTheFirstTenWindows) {
    EXPECT_EQ(0, WindowIndexForDigitKey('1'));
    EXPECT_EQ(8, WindowIndexForDigitKey('9'));
    EXPECT_EQ(9, WindowIndexForDigitKey('0')) << "0 is the tenth window";
    EXPECT_EQ(-1, WindowIndexForDigitKey('A'));
}

TEST(WindowKeys, CtrlCharactersBecomeFormattingCodes) {
    const std::pair<wchar_t, wchar_t> table[] = {{0x02, 0x02}, {0x04, 0x04}, {0x09, 0x16}, {0x0B, 0x03},
                                                 {0x0C, 0x18}, {0x0F, 0x0F}, {0x12, 0x12}, {0x13, 0x1D},
                                                 {0x14, 0x1E}, {0x15, 0x1F}, {0x19, 0x19}};
    for (const auto& [typed, code] : table) EXPECT_EQ(code, FormattingCodeForCtrlChar(typed)) << int(typed);
    for (wchar_t other :
         {wchar_t(0x01), wchar_t(0x05), wchar_t(0x07), wchar_t(0x0A), wchar_t(0x0D), wchar_t('a')})
        EXPECT_EQ(0, FormattingCodeForCtrlChar(other)) << int(other);
}

class CommandLine : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        CustomViewMode = 0;
        SkipPlugins = 0;
        StartupCommand.clear();
    }
};

TEST_F(CommandLine, OptionsInAnyCase) {
    ParseCommandLine({L"qv.exe", L"-P", L"-8", L"-unknown"});
    EXPECT_EQ(1u, SkipPlugins.load());
    EXPECT_EQ(1u, CustomViewMode.load());
    EXPECT_EQ("", StartupCommand);
}

TEST_F(CommandLine, StartupCommandForms) {
    struct Case {
        std::vector<std::wstring> arguments;
        const char* command;
    };
    const Case cases[] = {
        {{L"qv", L"-e", L"/server", L"irc.example", L"6667"}, "/server irc.example 6667 "},
        {{L"qv", L"-e", L"/server", L"-p"}, "/server -p "},
        {{L"qv", L"-e"}, ""},
        {{L"qv", L"-s"}, ""},
        {{L"qv", L"-s", L"-p"}, "/installscript -p"},
        {{L"qv", L"-s", L"a.xml", L"-SK", L"b.xml"}, "/installskin b.xml"},
        {{L"qv", L"-sk", L"b.xml", L"-e", L"/join", L"#x"}, "/join #x "},
        {{L"qv", L"-e", L"/say", L"\u00e9t\u00e9"}, "/say \xc3\xa9t\xc3\xa9 "},
    };
    for (const Case& c : cases) {
        Reset();
        EXPECT_TRUE(ParseCommandLine(c.arguments));
        EXPECT_EQ(c.command, StartupCommand);
    }
    Reset();
    ParseCommandLine({L"qv", L"-e", L"/server", L"-p"});
    EXPECT_EQ(0u, SkipPlugins.load()) << "options after -e belong to the command";
}

} // namespace
