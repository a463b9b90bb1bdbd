// The engine against peers of the test's own, well-behaved and hostile, over loopback.
#include "tests/support/test_files.h"
#include "tests/transfer/transfer_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

namespace {

constexpr uint64_t k4GiB = 0x100000000ull;

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}
std::wstring Number(uint64_t value) {
    return std::to_wstring(value);
}

// qx listens and sends; the peer connects and acknowledges in the width given.
std::string SendToPeer(EngineRun& run, const std::wstring& file, const wchar_t* protocol, uint64_t offset,
                       int ackWidth) {
    const uint16_t port = FreeTransferPort();
    if (!run.Start(L"in " + Number(port) + L" ipv4 manual " + protocol + L" send " + Number(offset) + L" 0 " +
                   Quoted(file)))
        return "set-up failed";
    return ReceiveAsPeer(ConnectToLoopback(port), ackWidth, offset);
}

// qx connects and receives; the peer accepts, sends the bytes and closes, and returns the
// acknowledgements it read.
std::vector<uint64_t> ReceiveFromPeer(EngineRun& run, const std::wstring& file, const wchar_t* protocol,
                                      uint64_t offset, uint64_t size, const std::string& bytes, int ackWidth,
                                      bool* started = nullptr) {
    uint16_t port = 0;
    SOCKET listener = ListenOnLoopback(port);
    const bool ok = run.Start(L"out 127.0.0.1 " + Number(port) + L" ipv4 " + protocol + L" get " +
                              Number(offset) + L" " + Number(size) + L" " + Quoted(file));
    if (started) *started = ok;
    std::vector<uint64_t> acks;
    if (ok) {
        SOCKET peer = AcceptOne(listener);
        send(peer, bytes.data(), static_cast<int>(bytes.size()), 0);
        shutdown(peer, SD_SEND);
        acks = ReadAcknowledgements(peer, ackWidth);
        closesocket(peer);
    }
    closesocket(listener);
    return acks;
}

TEST(TransferEngine, SendsFromTheOffsetWithAndWithoutAcknowledgements) {
    TestFolder folder;
    const std::string bytes = RandomBytes(100000, 1);
    const std::wstring file = folder.File(L"send me.bin");
    ASSERT_TRUE(WriteFileBytes(file, bytes));
    struct Case {
        const wchar_t* Protocol;
        uint64_t Offset;
        int AckWidth;
    } cases[] = {
        {L"dcc", 0, 4}, {L"dcc", 30000, 4}, {L"tdcc", 0, 0}, {L"tdcc", 99999, 0}, {L"dcc", 100000, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Offset << (c.AckWidth ? " acknowledged" : ""));
        EngineRun run;
        EXPECT_EQ(SendToPeer(run, file, c.Protocol, c.Offset, c.AckWidth), bytes.substr(c.Offset));
        EXPECT_TRUE(run.Succeeded());
        EXPECT_EQ(run.Shared.State, kTransferCompleted);
    }
}

TEST(TransferEngine, EmptyFileCompletesAtOnce) {
    TestFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.File(L"empty"), ""));
    EngineRun run;
    EXPECT_EQ(SendToPeer(run, folder.File(L"empty"), L"dcc", 0, 4), "");
    EXPECT_TRUE(run.Succeeded());
}

TEST(TransferEngine, ReceivesResumesAndAcknowledgesTheRunningCount) {
    TestFolder folder;
    const std::string bytes = RandomBytes(50000, 2);
    const std::wstring file = folder.File(L"got.bin");
    for (uint64_t offset : {uint64_t{0}, uint64_t{12345}}) {
        SCOPED_TRACE(offset);
        ASSERT_TRUE(WriteFileBytes(file, bytes.substr(0, offset) + "stale bytes past the offset"));
        EngineRun run;
        const auto acks = ReceiveFromPeer(run, file, L"dcc", offset, bytes.size(), bytes.substr(offset), 4);
        EXPECT_TRUE(run.Succeeded());
        ASSERT_FALSE(acks.empty());
        // Every answer counts from the start of the file, the resume offset included.
        EXPECT_GT(acks.front(), offset);
        EXPECT_TRUE(std::is_sorted(acks.begin(), acks.end()));
        EXPECT_EQ(acks.back(), bytes.size());
        EXPECT_EQ(ReadFileBytes(file), bytes);
    }
}

TEST(TransferEngine, AcknowledgementWidthFollowsTheSize) {
    TestFolder folder;
    const std::string tail = RandomBytes(15000, 3);
    const std::wstring file = folder.File(L"large.bin");
    // 4,294,967,295 bytes still fit in four bytes; one more needs eight, little-endian.
    for (uint64_t size : {k4GiB - 1, k4GiB, 5000000000ull}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(WriteSparseFile(file, size - tail.size(), ""));
        EngineRun run;
        const int width = size > 0xFFFFFFFFull ? 8 : 4;
        const auto acks = ReceiveFromPeer(run, file, L"dcc", size - tail.size(), size, tail, width);
        EXPECT_TRUE(run.Succeeded());
        ASSERT_FALSE(acks.empty());
        EXPECT_EQ(acks.back(), width == 8 ? size : size & 0xFFFFFFFFull);
        EXPECT_EQ(FileSizeOf(file), size);
        EXPECT_EQ(ReadFileTail(file, size - tail.size()), tail);
    }
}

TEST(TransferEngine, LargeFileResumedPast4GiBWithEitherAcknowledgementWidth) {
    TestFolder folder;
    const uint64_t offset = k4GiB + 1;
    const std::string tail = RandomBytes(2 << 20, 4);
    const std::wstring file = folder.File(L"sparse.bin");
    ASSERT_TRUE(WriteSparseFile(file, offset + tail.size(), tail));
    // qx answers in eight bytes; most other clients answer with the low 32 bits in four.
    for (int width : {8, 4}) {
        SCOPED_TRACE(width);
        EngineRun run;
        EXPECT_TRUE(SendToPeer(run, file, L"dcc", offset, width) == tail);
        EXPECT_TRUE(run.Succeeded());
    }
}

TEST(TransferEngine, HostileSendersFailCleanly) {
    TestFolder folder;
    const std::wstring file = folder.File(L"hostile.bin");
    struct Case {
        const char* Name;
        uint64_t Size;
        size_t Sent;
        bool Completes;
        uint64_t SizeAfter;
    } cases[] = {
        {"sends more than offered", 1000, 5000, false, 1000},
        {"closes early", 5000, 100, false, 100},
        {"no size given", 0, 777, true, 777},
        {"exact size", 4096, 4096, true, 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        for (const wchar_t* protocol : {L"dcc", L"tdcc"}) {
            EngineRun run;
            const std::string bytes = RandomBytes(c.Sent, 5);
            ReceiveFromPeer(run, file, protocol, 0, c.Size, bytes, 4);
            EXPECT_TRUE(run.Ended(60000));
            EXPECT_EQ(run.Succeeded(0), c.Completes);
            EXPECT_EQ(run.Shared.State, c.Completes ? kTransferCompleted : kTransferFailed);
            EXPECT_EQ(FileSizeOf(file), c.SizeAfter);
            EXPECT_EQ(ReadFileBytes(file), bytes.substr(0, c.SizeAfter));
        }
    }
}

TEST(TransferEngine, RefusesAResumePastTheEnd) {
    TestFolder folder;
    const std::wstring file = folder.File(L"short.bin");
    ASSERT_TRUE(WriteFileBytes(file, "0123456789"));
    for (auto [offset, size] : {std::pair<uint64_t, uint64_t>{20, 100}, {50, 40}}) {
        EngineRun run;
        bool started = true;
        ReceiveFromPeer(run, file, L"dcc", offset, size, "x", 4, &started);
        EXPECT_FALSE(started);
        EXPECT_EQ(ReadFileBytes(file), "0123456789");
    }
    EngineRun sender;
    EXPECT_FALSE(
        sender.Start(L"in " + Number(FreeTransferPort()) + L" ipv4 manual dcc send 11 0 " + Quoted(file)));
}

TEST(TransferEngine, SenderFailsWhenThePeerLeavesEarly) {
    TestFolder folder;
    const std::wstring file = folder.File(L"big.bin");
    ASSERT_TRUE(WriteFileBytes(file, RandomBytes(200000, 6)));
    const uint16_t port = FreeTransferPort();
    EngineRun run;
    ASSERT_TRUE(run.Start(L"in " + Number(port) + L" ipv4 manual dcc send 0 0 " + Quoted(file)));
    SOCKET peer = ConnectToLoopback(port);
    char buffer[1000];
    recv(peer, buffer, sizeof buffer, 0);
    closesocket(peer);
    EXPECT_TRUE(run.Ended(60000));
    EXPECT_FALSE(run.Succeeded(0));
}

TEST(TransferEngine, ConnectToANameThatDoesNotResolveFails) {
    TestFolder folder;
    EngineRun run;
    ASSERT_TRUE(run.Start(L"out no-such-host.invalid 5000 ipv4 dcc get 0 0 " + Quoted(folder.File(L"x"))));
    EXPECT_TRUE(run.Ended(60000));
    EXPECT_EQ(run.Shared.State, kTransferFailed);
}

TEST(TransferEngine, MultiSendServesPeersOneAfterAnother) {
    TestFolder folder;
    const std::string bytes = RandomBytes(30000, 7);
    const std::wstring file = folder.File(L"many.bin");
    ASSERT_TRUE(WriteFileBytes(file, bytes));
    const uint16_t port = FreeTransferPort();
    // The last worker waits for a further peer as long as the program runs.
    auto* run = new EngineRun;
    ASSERT_TRUE(run->Start(L"in " + Number(port) + L" ipv4 manual dcc msend 0 0 " + Quoted(file)));
    EXPECT_EQ(ReceiveAsPeer(ConnectToLoopback(port), 4, 0), bytes);
    EXPECT_EQ(ReceiveAsPeer(ConnectToLoopback(port), 4, 0), bytes);
}

} // namespace
