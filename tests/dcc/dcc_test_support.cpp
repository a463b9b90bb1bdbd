#include "tests/dcc/dcc_test_support.h"

#include "common/data_folders.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "tests/common/test_paths.h"
#include "tests/support/chat_test_frame.h"

void DccTest::SetUp() {
    LinesTest::SetUp();
    program_ = std::make_unique<TestFolder>(L"qvfolder");
    downloads_ = std::make_unique<TestFolder>(L"received");
    ASSERT_TRUE(CopyFileW(BesideTestProgram(L"program_recorder.exe").c_str(),
                          program_->File(L"qx.exe").c_str(), FALSE));
    savedProgramFolder_ = ProgramFolder;
    ProgramFolder = program_->Path();
    SetConfig("Cfg\\Options3\\File_Transfers", "Default_Download_Directory",
              (WideToNarrow(downloads_->Path()) + "\\").c_str());
}

void DccTest::TearDown() {
    LinesTest::TearDown();
    ProgramFolder = savedProgramFolder_;
    downloads_.reset();
    program_.reset();
}

std::vector<std::string> DccTest::Started() const {
    std::vector<std::string> lines;
    const std::string text = ReadFileBytes(program_->File(L"started.txt"));
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

bool DccTest::WaitStarted(size_t count) const {
    return WaitUntil([&] { return Started().size() >= count; }, 20000);
}

bool DccTest::PrintedContains(const WindowRecord* window, const std::string& text) const {
    for (const std::string& line : PrintedIn(window))
        if (line.find(text) != std::string::npos) return true;
    return false;
}

bool DccTest::WaitPrinted(const WindowRecord* window, const std::string& text, DWORD timeoutMs) const {
    return PumpUntil([&] { return PrintedContains(window, text); }, timeoutMs);
}

std::string DccTest::Lang(int id) {
    return WideToNarrow(GetLangString(id));
}
