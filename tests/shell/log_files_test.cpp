#include <gtest/gtest.h>

#include "shell/windows/log_files.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "tests/shell/shell_test_files.h"

#include <regex>

namespace {

class LogFiles : public testing::Test {
protected:
    void SetUp() override {
        record_.Name = "#r\xC3\xA9union";
        record_.LogPath = folder_.File(L"chan.log");
        record_.Logging = 1;
    }
    std::string Log() const { return ReadFileBytes(record_.LogPath); }

    TestFolder folder_;
    WindowRecord record_{nullptr, 2, nullptr};
};

TEST_F(LogFiles, EveryEntryEndsWithExactlyOneLineBreakInUtf8) {
    shell::WriteLogLine(&record_, L"plain");
    shell::WriteLogLine(&record_, L"ends in CR LF\r\n");
    shell::WriteLogLine(&record_, L"many\r\n\n\r\r\n");
    shell::WriteLogLine(&record_, L"");
    shell::WriteLogLine(&record_, L"caf\u00E9 \u263A");
    shell::WriteLogLine(&record_, static_cast<const wchar_t*>(nullptr));
    shell::WriteLogLine(nullptr, L"no record");
    EXPECT_EQ(Log(), "plain\r\nends in CR LF\r\nmany\r\n\r\ncaf\xC3\xA9 \xE2\x98\xBA\r\n");
}

TEST_F(LogFiles, MarkersCarryTheNameAndTheLocalTime) {
    shell::WriteLogLine(&record_, kLogStartMarker);
    shell::WriteLogLine(&record_, L"line");
    shell::WriteLogLine(&record_, kLogEndMarker);
    shell::WriteLogLine(&record_, 7); // not a marker: nothing
    const std::string log = Log();
    const std::regex shape("# Log start: #r\xC3\xA9union \\(\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d\\)\r\n"
                           "line\r\n"
                           "# Log end: \\(\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d\\)\r\n");
    EXPECT_TRUE(std::regex_match(log, shape)) << log;
}

TEST_F(LogFiles, AFileThatCannotBeOpenedDropsTheEntryAndLoggingStaysOn) {
    record_.LogPath = folder_.File(L"missing-folder\\chan.log");
    shell::WriteLogLine(&record_, L"lost");
    shell::WriteLogLine(&record_, kLogStartMarker);
    EXPECT_FALSE(FileExists(record_.LogPath));
    EXPECT_EQ(record_.Logging, 1);
}

TEST_F(LogFiles, NamesFromServersStayInsideTheLogFolder) {
    const std::wstring base = folder_.Path();
    struct Case {
        const char* name;
        const wchar_t* file;
    } cases[] = {
        {"#chat", L"#chat.log"},
        {"..\\..\\Windows\\win", L"_.._Windows_win.log"},
        {"#a/../../b", L"#a_.._.._b.log"},
        {"..", L"_.log"},
        {"CON", L"_CON.log"},
        {"c:\\x", L"c__x.log"},
    };
    for (const Case& c : cases) {
        const std::wstring path = ChatLogPath(base, c.name);
        EXPECT_EQ(path, base + L"\\" + c.file) << c.name;
        record_.LogPath = path;
        shell::WriteLogLine(&record_, L"x");
        EXPECT_TRUE(FileExists(path)) << c.name;
    }
}

TEST_F(LogFiles, StreamOutAppendsAndReportsAFileItCannotOpen) {
    std::wstring path = folder_.File(L"saved.rtf");
    std::string first = "{\\rtf1 ", second = "hello}";
    LONG written = 0;
    DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(path.c_str());
    EXPECT_EQ(AppendStreamToFile(cookie, reinterpret_cast<LPBYTE>(first.data()),
                                 static_cast<LONG>(first.size()), &written),
              0u);
    EXPECT_EQ(written, static_cast<LONG>(first.size()));
    EXPECT_EQ(AppendStreamToFile(cookie, reinterpret_cast<LPBYTE>(second.data()),
                                 static_cast<LONG>(second.size()), &written),
              0u);
    EXPECT_EQ(ReadFileBytes(path), first + second);

    std::wstring nowhere = folder_.File(L"no\\such\\folder.rtf");
    EXPECT_EQ(AppendStreamToFile(reinterpret_cast<DWORD_PTR>(nowhere.c_str()),
                                 reinterpret_cast<LPBYTE>(first.data()), 3, &written),
              1u);
}

// A save of a window's text must never replace a log that a window is writing: the offered name
// steps past it, and the check finds it however the path is spelled.
TEST_F(LogFiles, ASaveNeverOffersALogBeingWritten) {
    const std::wstring folder = folder_.Path();
    InsertWindowRecord(&record_);
    EXPECT_TRUE(IsLiveLogFile(folder + L"\\sub\\..\\CHAN.LOG"));
    EXPECT_EQ(SaveFileProposal(folder, "chan", L".log"), L"chan (2).log");
    record_.Logging = 0;
    EXPECT_EQ(SaveFileProposal(folder, "chan", L".log"), L"chan.log");
    EraseWindowRecord(&record_);
}

} // namespace
