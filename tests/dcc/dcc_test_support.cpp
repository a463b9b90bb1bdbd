#include "tests/dcc/dcc_test_support.h"

#include "common/data_folders.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "tests/common/test_paths.h"
#include "tests/support/chat_test_frame.h"

#include <ws2tcpip.h>

#include <algorithm>

OfferedFile::OfferedFile(const std::string& bytes, uint64_t offset, bool ipv6) {
    listener_ = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_storage address{};
    int length = 0;
    if (ipv6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
        in6->sin6_family = AF_INET6;
        in6->sin6_addr = in6addr_loopback;
        length = sizeof(sockaddr_in6);
    } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&address);
        in->sin_family = AF_INET;
        in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof(sockaddr_in);
    }
    bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    listen(listener_, 1);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                       : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    const std::string rest = bytes.substr(static_cast<size_t>(offset));
    thread_ = std::thread([this, rest] {
        const SOCKET peer = accept(listener_, nullptr, nullptr);
        if (peer == INVALID_SOCKET) return;
        for (size_t at = 0; at < rest.size();) {
            const int sent = send(peer, rest.data() + at, static_cast<int>(rest.size() - at), 0);
            if (sent <= 0) break;
            at += static_cast<size_t>(sent);
        }
        shutdown(peer, SD_SEND);
        char answer[256];
        while (recv(peer, answer, sizeof answer, 0) > 0) {
        }
        closesocket(peer);
    });
}

OfferedFile::~OfferedFile() {
    closesocket(listener_); // ends an accept that nobody answered
    thread_.join();
}

void DccTest::SetUp() {
    LinesTest::SetUp();
    program_ = std::make_unique<TestFolder>(L"qvfolder");
    downloads_ = std::make_unique<TestFolder>(L"received");
    ASSERT_TRUE(CopyFileW(BesideTestProgram(L"qx.exe").c_str(), program_->File(L"qx.exe").c_str(), FALSE));
    savedProgramFolder_ = ProgramFolder;
    ProgramFolder = program_->Path();
    SetConfig("Cfg\\Options3\\File_Transfers", "Default_Download_Directory",
              (WideToNarrow(downloads_->Path()) + "\\").c_str());
}

void DccTest::TearDown() {
    Collect();
    qx_.clear(); // a transfer still running is ended
    LinesTest::TearDown();
    ProgramFolder = savedProgramFolder_;
    downloads_.reset();
    program_.reset();
}

void DccTest::Collect() {
    for (DWORD id : QxChildren())
        if (std::none_of(qx_.begin(), qx_.end(), [&](const auto& qx) { return qx->Id() == id; }))
            qx_.push_back(std::make_unique<QxProcess>(id));
}

bool DccTest::WaitStarted(size_t count) {
    return WaitUntil(
        [&] {
            Collect();
            return qx_.size() >= count;
        },
        20000);
}

std::string DccTest::CommandLine(size_t n) const {
    return n < qx_.size() ? WideToNarrow(qx_[n]->CommandLine()) : std::string();
}

bool DccTest::Completed(size_t n) {
    if (n >= qx_.size()) return false;
    const HWND dialog = qx_[n]->WaitForWindow(L"Transfer");
    if (!dialog || !qx_[n]->WaitForEnd(dialog)) return false;
    const bool completed = ControlVisible(dialog, 801);
    Press(dialog, 804);
    return qx_[n]->ExitCode() == 0 && completed;
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
