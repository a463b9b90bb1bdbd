#include "qx/antivirus_scan.h"
#include "qx/tray_progress.h"
#include "transfer/transfer_command_line.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::wstring> Args(const wchar_t* line) {
    std::vector<std::wstring> args = SplitCommandLine((std::wstring(L"qx.exe ") + line).c_str());
    args.erase(args.begin());
    return args;
}

TEST(TransferCommandLine, ReadsTheFormsQvWrites) {
    struct Case {
        const wchar_t* Line;
        bool Listen;
        const wchar_t* Host;
        uint32_t Port;
        bool Ipv6, Upnp, Acknowledged;
        TransferAction Action;
        uint64_t Offset, Size;
        const wchar_t* Path;
    };
    const Case cases[] = {
        {L"out 10.0.0.5 5000 ipv4 dcc get 0 1234 \"C:\\in\\a b.txt\"", false, L"10.0.0.5", 5000, false, false,
         true, TransferAction::Receive, 0, 1234, L"C:\\in\\a b.txt"},
        {L"out ::1 6000 ipv6 tdcc get 4294967297 5000000000 \"C:\\big.bin\"", false, L"::1", 6000, true,
         false, false, TransferAction::Receive, 4294967297ull, 5000000000ull, L"C:\\big.bin"},
        {L"in 7000 ipv6 manual dcc get 0 9 \"C:\\x\"", true, L"", 7000, true, false, true,
         TransferAction::Receive, 0, 9, L"C:\\x"},
        {L"in 7001 ipv4 upnp tdcc send 0 0 \"C:\\a,b c.txt\" ", true, L"", 7001, false, true, false,
         TransferAction::Send, 0, 0, L"C:\\a,b c.txt"},
        {L"out 127.0.0.1 7002 ipv4 dcc send 0 0 \"C:\\s.txt\" ", false, L"127.0.0.1", 7002, false, false,
         true, TransferAction::Send, 0, 0, L"C:\\s.txt"},
        // Keywords compare exactly: other case is anything else.
        {L"IN 127.0.0.1 7003 IPv6 DCC SEND 5 0 C:\\plain.txt", false, L"127.0.0.1", 7003, false, false, false,
         TransferAction::Receive, 5, 0, L"C:\\plain.txt"},
        {L"in 7004 IPv6 UPNP dcc msend 0 0 C:\\m.txt", true, L"", 7004, false, false, true,
         TransferAction::MultiSend, 0, 0, L"C:\\m.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Line);
        TransferCommandLine line;
        ASSERT_EQ(ReadTransferCommandLine(Args(c.Line), line), CommandLineStatus::Ready);
        EXPECT_EQ(line.Listen, c.Listen);
        EXPECT_EQ(line.Host, c.Host);
        EXPECT_EQ(line.Port, c.Port);
        EXPECT_EQ(line.Ipv6, c.Ipv6);
        EXPECT_EQ(line.Upnp, c.Upnp);
        EXPECT_EQ(line.Acknowledged, c.Acknowledged);
        EXPECT_EQ(line.Action, c.Action);
        EXPECT_EQ(line.Offset, c.Offset);
        EXPECT_EQ(line.Size, c.Size);
        EXPECT_EQ(line.Path, c.Path);
    }
}

// The window says which way the file goes: a sent file comes from its path and goes to the peer.
TEST(TransferCommandLine, AFileGoesFromItsSenderToItsReceiver) {
    TransferCommandLine line;
    ASSERT_EQ(ReadTransferCommandLine(Args(L"in 7001 ipv4 manual dcc send 0 0 \"C:\\s.txt\""), line),
              CommandLineStatus::Ready);
    EXPECT_EQ(DescribeTransferEnds(line, L"127.0.0.1").To, L"127.0.0.1");
    EXPECT_EQ(DescribeTransferEnds(line, L"127.0.0.1").From, L"C:\\s.txt");
}

TEST(TransferCommandLine, RefusesWhatItCannotRead) {
    const wchar_t* tooFew[] = {L"", L"out 1.2.3.4 5 ipv4 dcc get 0 0"};
    for (const wchar_t* text : tooFew) {
        TransferCommandLine line;
        EXPECT_EQ(ReadTransferCommandLine(Args(text), line), CommandLineStatus::TooFew) << text;
    }
    const std::wstring longPath(1001, L'a');
    const std::wstring unreadable[] = {
        L"out 1.2.3.4 0 ipv4 dcc get 0 0 C:\\f",
        L"out 1.2.3.4 65536 ipv4 dcc get 0 0 C:\\f",
        L"out 1.2.3.4 80x ipv4 dcc get 0 0 C:\\f",
        L"out 1.2.3.4 -80 ipv4 dcc get 0 0 C:\\f",
        L"out \"\" 80 ipv4 dcc get 0 0 C:\\f",
        L"in abc ipv4 manual dcc send 0 0 C:\\f",
        L"in 0 ipv4 manual dcc send 0 0 C:\\f",
        L"out 1.2.3.4 80 ipv4 dcc get 12q 0 C:\\f",
        L"out 1.2.3.4 80 ipv4 dcc get 0 18446744073709551616 C:\\f",
        L"out 1.2.3.4 80 ipv4 dcc get 0 0 \"\"",
        L"out 1.2.3.4 80 ipv4 dcc get 0 0 " + longPath,
    };
    for (const std::wstring& text : unreadable) {
        TransferCommandLine line;
        std::wstring problem;
        EXPECT_EQ(ReadTransferCommandLine(Args(text.c_str()), line, &problem), CommandLineStatus::Unreadable)
            << text;
        EXPECT_FALSE(problem.empty());
    }
}

TEST(TransferCommandLine, PathQuotesAreTakenOff) {
    EXPECT_EQ(TransferPathArgument(L"\"C:\\a b\"\"\""), L"C:\\a b");
    EXPECT_EQ(TransferPathArgument(L"C:\\a"), L"C:\\a");
    EXPECT_EQ(TransferPathArgument(L"\"\"C:\\a"), L"\"C:\\a");
}

} // namespace

// A path with blanks reaches the scanner as one argument, however the command writes "%1".
TEST(AntivirusScan, ThePathIsOneArgument) {
    const std::wstring path = L"C:\\My Files\\a b.zip";
    EXPECT_EQ(ScanCommandLine(L"scan.exe /f %1 /q", path), L"scan.exe /f \"C:\\My Files\\a b.zip\" /q");
    EXPECT_EQ(ScanCommandLine(L"scan.exe \"%1\"", path), L"scan.exe \"C:\\My Files\\a b.zip\"");
    EXPECT_EQ(ScanCommandLine(L"scan.exe", path), L"scan.exe");
}

TEST(TransferProgress, PercentShownNeverPasses100) {
    const struct {
        uint64_t Done, Size;
        uint32_t Percent;
    } cases[] = {{0, 0, 0},     {0, 10, 0},    {5, 10, 50},
                 {10, 10, 100}, {11, 10, 100}, {0xFFFFFFFFull, 0x100000000ull, 99}};
    for (const auto& c : cases)
        EXPECT_EQ(TransferPercent(c.Done, c.Size), c.Percent) << c.Done << "/" << c.Size;
}
