// What the DCC tests share: the server-line fixture with a program folder that holds the stand-in
// transfer program, and a download folder of its own.
#pragma once

#include "tests/irc_lines/lines_test_support.h"
#include "tests/support/test_files.h"

#include <memory>
#include <string>
#include <vector>

class DccTest : public LinesTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The command lines qx was started with so far (the stand-in notes each).
    std::vector<std::string> Started() const;
    // Waits until qx was started that many times in all.
    bool WaitStarted(size_t count) const;
    // Whether a printed text of the window contains the text.
    bool PrintedContains(const WindowRecord* window, const std::string& text) const;
    // Waits (pumping) until the window printed a text containing the text.
    bool WaitPrinted(const WindowRecord* window, const std::string& text, DWORD timeoutMs = 20000) const;
    static std::string Lang(int id);

    std::unique_ptr<TestFolder> program_;
    std::unique_ptr<TestFolder> downloads_;
    std::wstring savedProgramFolder_;
};
