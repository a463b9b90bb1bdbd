// qx as qv starts it: two qx processes move files between them; the notice, a refused command
// line, a failed set-up and the window mid-transfer.
#include "common/text_format.h"
#include "tests/support/remote_list_view.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"
#include "tests/transfer/qx_process.h"
#include "tests/transfer/transfer_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}
std::wstring Number(uint64_t value) {
    return std::to_wstring(value);
}

enum Row { kFromRow = 1, kToRow = 2, kStatusRow = 4 };

std::wstring Cell(HWND dialog, int row, int column) {
    return RemoteListItemText(GetDlgItem(dialog, 901), row, column);
}

// Waits for the end, checks how the window shows it and closes it; the exit code. A completed
// transfer of a known size shows all of it, from the peer on loopback.
long EndAndClose(QxProcess& qx, HWND dialog, bool success, bool sending, uint64_t size = 0) {
    EXPECT_TRUE(qx.WaitForEnd(dialog));
    EXPECT_EQ(ControlVisible(dialog, 801), success);
    if (success) {
        EXPECT_EQ(ControlText(dialog, 801), L"Open");
        EXPECT_EQ(ControlText(dialog, 802), L"Open folder");
        EXPECT_EQ(ControlVisible(dialog, 803), !sending); // no scan after a send
        EXPECT_EQ(Cell(dialog, kStatusRow, 1), L"Completed.");
        // The peer on loopback is where a sent file goes and where a received one comes from.
        EXPECT_EQ(Cell(dialog, sending ? kToRow : kFromRow, 1), L"127.0.0.1");
        EXPECT_NE(Cell(dialog, sending ? kFromRow : kToRow, 1), L"");
        if (size) {
            EXPECT_EQ(ProgressPercent(dialog), 100);
            EXPECT_EQ(Cell(dialog, kStatusRow, 2), FormatByteSize(size) + L"/" + FormatByteSize(size));
        }
    } else {
        EXPECT_FALSE(ControlVisible(dialog, 802));
        EXPECT_FALSE(ControlVisible(dialog, 803));
    }
    Press(dialog, 804);
    return qx.ExitCode();
}

// One qx listens, the other connects; either may be the sender.
void TransferBetweenTwo(const std::wstring& source, const std::wstring& target, uint64_t size,
                        uint64_t offset, const wchar_t* protocol, bool listenerSends) {
    const uint16_t port = FreeTransferPort();
    const std::wstring send = L"send " + Number(offset) + L" 0 " + Quoted(source);
    const std::wstring get = L"get " + Number(offset) + L" " + Number(size) + L" " + Quoted(target);
    const std::wstring tail = std::wstring(L" ") + protocol + L" ";
    QxProcess listener(L"in " + Number(port) + L" ipv4 manual" + tail + (listenerSends ? send : get));
    HWND listening = listener.WaitForWindow(L"Transfer");
    ASSERT_TRUE(listening);
    EXPECT_EQ(ControlVisible(listening, 802), listenerSends); // no Pause while receiving
    QxProcess connector(L"out 127.0.0.1 " + Number(port) + L" ipv4" + tail + (listenerSends ? get : send));
    HWND connecting = connector.WaitForWindow(L"Transfer");
    ASSERT_TRUE(connecting);
    EXPECT_EQ(EndAndClose(connector, connecting, true, !listenerSends, size), 0);
    EXPECT_EQ(EndAndClose(listener, listening, true, listenerSends, size), 0);
}

TEST(Qx, TwoProgramsMoveFilesBothWays) {
    TestFolder folder;
    struct Case {
        uint64_t Size;
        const wchar_t* Protocol;
        bool ListenerSends;
    } cases[] = {{0, L"dcc", true},
                 {1, L"dcc", false},
                 {1, L"tdcc", true},
                 {10000000, L"dcc", true},
                 {10000000, L"tdcc", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.Size << " " << (c.ListenerSends ? "listener sends" : "listener gets"));
        const std::string bytes = RandomBytes(static_cast<size_t>(c.Size), static_cast<unsigned>(c.Size));
        const std::wstring source = folder.File(L"source file.bin"), target = folder.File(L"target file.bin");
        ASSERT_TRUE(WriteFileBytes(source, bytes));
        DeleteFileW(target.c_str());
        TransferBetweenTwo(source, target, c.Size, 0, c.Protocol, c.ListenerSends);
        EXPECT_TRUE(FileExists(target));
        EXPECT_TRUE(ReadFileBytes(target) == bytes);
    }
}

TEST(Qx, SparseFileResumedPast4GiB) {
    TestFolder folder;
    const uint64_t offset = 0x100000000ull + 1;
    const std::string tail = RandomBytes(3 << 20, 11);
    const std::wstring source = folder.File(L"big.bin"), target = folder.File(L"big part.bin");
    ASSERT_TRUE(WriteSparseFile(source, offset + tail.size(), tail));
    ASSERT_TRUE(WriteSparseFile(target, offset, ""));
    TransferBetweenTwo(source, target, offset + tail.size(), offset, L"dcc", false);
    EXPECT_EQ(FileSizeOf(target), offset + tail.size());
    EXPECT_TRUE(ReadFileTail(target, offset) == tail);
}

TEST(Qx, WithoutArgumentsShowsTheNoticeAndEnds) {
    QxProcess qx(L"out 127.0.0.1");
    HWND notice = qx.WaitForWindow(L"Brindlex 7");
    ASSERT_TRUE(notice);
    EXPECT_TRUE(PressButtonNamed(notice, L"OK"));
    EXPECT_EQ(qx.ExitCode(), 0);
}

TEST(Qx, RefusesACommandLineItCannotRead) {
    TestFolder folder;
    uint16_t listenPort = 0;
    SOCKET listener = ListenOnLoopback(listenPort);
    // A port with trailing junk must not become a connection to some other port.
    QxProcess qx(L"out 127.0.0.1 " + Number(listenPort) + L"9x ipv4 dcc get 0 5 " +
                 Quoted(folder.File(L"r")));
    HWND notice = qx.WaitForWindow(L"Brindlex 7");
    ASSERT_TRUE(notice);
    EXPECT_TRUE(PressButtonNamed(notice, L"OK"));
    EXPECT_EQ(qx.ExitCode(), 2);
    EXPECT_FALSE(FileExists(folder.File(L"r")));
    closesocket(listener);
}

TEST(Qx, SetUpFailureEndsAsFailed) {
    TestFolder folder;
    QxProcess qx(L"in " + Number(FreeTransferPort()) + L" ipv4 manual dcc send 0 0 " +
                 Quoted(folder.File(L"missing.bin")));
    HWND dialog = qx.WaitForWindow(L"Transfer");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(EndAndClose(qx, dialog, false, true), 0);
}

enum class Receiver { kAcksBeyondTheSize, kAcksDecreasing, kFloodsStrayAcks, kNeverReads };

// Reads what comes and answers at least every 20 ms (the flood 64 times) until the sender closes.
// The decreasing receiver's first answer confirms what arrived; each later one names a byte less.
void PlayHostileReceiver(SOCKET peer, Receiver kind, uint64_t size) {
    std::vector<char> buffer(65536);
    uint64_t received = 0, first = 0, answers = 0;
    while (kind != Receiver::kNeverReads) {
        fd_set readable{1, {peer}};
        timeval pace{0, 20000};
        if (select(0, &readable, nullptr, nullptr, &pace) == 1) {
            const int got = recv(peer, buffer.data(), static_cast<int>(buffer.size()), 0);
            if (got <= 0) return;
            received += static_cast<uint64_t>(got);
        }
        first = first ? first : received;
        const uint64_t count = kind == Receiver::kAcksBeyondTheSize ? size + 1
                               : kind == Receiver::kAcksDecreasing  ? first - std::min(first, answers)
                                                                    : size - 1; // never sent yet
        const u_long ack = htonl(static_cast<u_long>(count));
        for (int i = 0; received && i < (kind == Receiver::kFloodsStrayAcks ? 64 : 1); ++i, ++answers)
            if (send(peer, reinterpret_cast<const char*>(&ack), 4, 0) != 4) return;
    }
}

TEST(Qx, HostileReceiversEndTheSendAsFailedSayingWhy) {
    TestFolder folder;
    // More than the socket buffers hold, so a receiver that never reads stops the writes.
    const std::wstring file = folder.File(L"offered.bin");
    const uint64_t size = 32 << 20;
    ASSERT_TRUE(WriteFileBytes(file, std::string(size, 'q')));
    const wchar_t* stalled = L"Failed. The receiver made no progress for 3 seconds.";
    struct Case {
        const char* Name;
        Receiver Kind;
        const wchar_t* Protocol;
        const wchar_t* Status;
    } cases[] = {{"beyond the size", Receiver::kAcksBeyondTheSize, L"dcc",
                  L"Failed. The receiver acknowledged more than the file holds."},
                 {"decreasing", Receiver::kAcksDecreasing, L"dcc", stalled},
                 {"never-matching flood", Receiver::kFloodsStrayAcks, L"dcc", stalled},
                 {"never reads", Receiver::kNeverReads, L"dcc", stalled},
                 {"never reads, no acknowledgements", Receiver::kNeverReads, L"tdcc", stalled}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const uint16_t port = FreeTransferPort();
        SetEnvironmentVariableW(kTransferStallVariable, L"3000"); // for this qx alone
        QxProcess qx(L"in " + Number(port) + L" ipv4 manual " + c.Protocol + L" send 0 0 " + Quoted(file));
        SetEnvironmentVariableW(kTransferStallVariable, nullptr);
        HWND dialog = qx.WaitForWindow(L"Transfer");
        ASSERT_TRUE(dialog);
        SOCKET peer = ConnectToLoopback(port);
        std::thread receiver(PlayHostileReceiver, peer, c.Kind, size);
        EXPECT_TRUE(qx.WaitForEnd(dialog));
        EXPECT_EQ(Cell(dialog, kStatusRow, 1), c.Status);
        shutdown(peer, SD_BOTH); // a qx that never ends must not hold the receiver too
        receiver.join();
        closesocket(peer);
        EXPECT_EQ(EndAndClose(qx, dialog, false, true), 0);
    }
}

TEST(Qx, ShowsTheTransferMidwayAndAsksBeforeCancelling) {
    TestFolder folder;
    const std::string bytes = RandomBytes(400000, 12);
    uint16_t port = 0;
    SOCKET listener = ListenOnLoopback(port);
    QxProcess qx(L"out 127.0.0.1 " + Number(port) + L" ipv4 dcc get 0 " + Number(bytes.size()) + L" " +
                 Quoted(folder.File(L"half.bin")));
    HWND dialog = qx.WaitForWindow(L"Transfer");
    ASSERT_TRUE(dialog);
    SOCKET peer = AcceptOne(listener);
    ASSERT_NE(peer, INVALID_SOCKET);
    send(peer, bytes.data(), static_cast<int>(bytes.size() / 2), 0);
    for (int i = 0; i < 600 && ProgressPercent(dialog) < 50; ++i) Sleep(50);
    EXPECT_EQ(ProgressPercent(dialog), 50);
    EXPECT_FALSE(ControlVisible(dialog, 802));
    EXPECT_TRUE(SaveScreenshot(dialog, ScreenshotFolder() + L"\\qx_mid_transfer.png"));

    // Cancel asks first; No keeps the transfer, Yes ends the program.
    Press(dialog, 804);
    HWND ask = qx.WaitForWindow(L"Brindlex Transfer");
    ASSERT_TRUE(ask);
    EXPECT_TRUE(PressButtonNamed(ask, L"&No") || PressButtonNamed(ask, L"No"));
    for (int i = 0; i < 200 && qx.WaitForWindow(L"Brindlex Transfer", 0); ++i) Sleep(50);
    EXPECT_EQ(qx.ExitCode(0), -1);
    Press(dialog, 804);
    ask = qx.WaitForWindow(L"Brindlex Transfer");
    ASSERT_TRUE(ask);
    EXPECT_TRUE(PressButtonNamed(ask, L"&Yes") || PressButtonNamed(ask, L"Yes"));
    EXPECT_EQ(qx.ExitCode(), 0);
    closesocket(peer);
    closesocket(listener);
}

} // namespace
