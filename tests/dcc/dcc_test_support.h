// What the DCC tests share: the server-line fixture with a program folder that holds the real
// transfer program of this build, a download folder of its own, and the transfer programs qv
// started, ended with the test.
#pragma once

#include "tests/irc_lines/lines_test_support.h"
#include "tests/support/test_files.h"
#include "tests/transfer/qx_process.h"

#include <winsock2.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

// A file offered from loopback: takes one connection on its port and sends the bytes from the
// offset on, then closes, reading whatever the receiver answers.
class OfferedFile {
public:
    OfferedFile(const std::string& bytes, uint64_t offset = 0, bool ipv6 = false);
    ~OfferedFile();
    uint16_t Port() const { return port_; }

private:
    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::thread thread_;
};

class DccTest : public LinesTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Waits until qv started qx that many times in all; the started ones in order.
    bool WaitStarted(size_t count);
    const std::vector<std::unique_ptr<QxProcess>>& Started() const { return qx_; }
    // The command line of the n-th qx started, as UTF-8.
    std::string CommandLine(size_t n) const;
    // Runs the n-th qx to its end and closes it as a user does; true when it completed and ended
    // with exit code 0.
    bool Completed(size_t n);
    // Whether a printed text of the window contains the text.
    bool PrintedContains(const WindowRecord* window, const std::string& text) const;
    // Waits (pumping) until the window printed a text containing the text.
    bool WaitPrinted(const WindowRecord* window, const std::string& text, DWORD timeoutMs = 20000) const;
    static std::string Lang(int id);

    std::unique_ptr<TestFolder> program_;
    std::unique_ptr<TestFolder> downloads_;
    std::wstring savedProgramFolder_;

private:
    // Takes in the qx processes started since the last look.
    void Collect();
    std::vector<std::unique_ptr<QxProcess>> qx_;
};
