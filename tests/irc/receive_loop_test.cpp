#include <gtest/gtest.h>

#include "irc/line_dispatch.h"
#include "irc/receive_loop.h"
#include "irc/send_path.h"
#include "irc/server_session.h"
#include "tests/support/irc_test_support.h"

#include <psapi.h>

namespace {

// Feeds the bytes in reads of the given sizes (the last size repeats) and returns the lines.
std::vector<std::string> Cut(const std::string& bytes, std::vector<size_t> reads,
                             ReceiveBuffer* keep = nullptr) {
    ReceiveBuffer local;
    ReceiveBuffer& buffer = keep ? *keep : local;
    std::vector<std::string> lines;
    size_t at = 0, r = 0;
    while (at < bytes.size()) {
        const size_t n =
            std::min({reads[std::min(r++, reads.size() - 1)], bytes.size() - at, kReceiveReadSize});
        memcpy(buffer.ReadSpace(), bytes.data() + at, n);
        buffer.Commit(n, [&](const std::string& line) { lines.push_back(line); });
        at += n;
    }
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(ReceiveBuffer, CutsAtCrLfWhateverTheReads) {
    const std::string stream = ":a PRIVMSG #c :one\r\n\r\nPING :x\r\n:b NOTICE me :two\r\n";
    const Lines expected{":a PRIVMSG #c :one", "PING :x", ":b NOTICE me :two"};
    for (size_t split = 1; split < stream.size(); ++split) {
        // Two reads cut at every position, and one byte at a time.
        EXPECT_EQ(Cut(stream, {split, stream.size()}), expected) << split;
    }
    EXPECT_EQ(Cut(stream, {1}), expected);
    // Half a line waits for the next read.
    ReceiveBuffer buffer;
    EXPECT_EQ(Cut("one\r\ntwo\r\nthr", {100}, &buffer), (Lines{"one", "two"}));
    EXPECT_EQ(buffer.Held(), 3u);
    EXPECT_EQ(Cut("ee\r\n", {100}, &buffer), (Lines{"three"}));
}

// A line ends at LF, with or without a CR before it; a CR alone is part of the line.
TEST(ReceiveBuffer, LinesEndAtLineFeedsWithOrWithoutCr) {
    const std::pair<std::string, Lines> cases[] = {
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\ntwo\n", {"one", "two"}},
        {"a\rb\r\nc\rd\n", {"a\rb", "c\rd"}},
        {"one\r\ntwo\nthree\r\r\n\n\r\nfour\n", {"one", "two", "three\r", "four"}},
        {"\rfive\r", {}}, // no line feed yet: it waits
    };
    for (const auto& [stream, expected] : cases) {
        for (size_t split = 1; split < stream.size(); ++split)
            EXPECT_EQ(Cut(stream, {split, stream.size()}), expected) << split;
        EXPECT_EQ(Cut(stream, {1}), expected);
    }
}

TEST(ReceiveBuffer, ZeroBytesAndOverlongLines) {
    std::string nul("a\0b\r\n\0\r\nc\r\n", 11);
    EXPECT_EQ(Cut(nul, {3}), (Lines{std::string("a\0b", 3), std::string(1, '\0'), "c"}));

    // A line that grows past the bound without a line feed is dropped up to its end; the
    // buffer stays small and the next line arrives whole.
    ReceiveBuffer buffer;
    std::string hostile(1024 * 1024, 'x');
    hostile += "tail\r\nafter\r\n";
    EXPECT_EQ(Cut(hostile, {kReceiveReadSize}, &buffer), (Lines{"after"}));
    EXPECT_LT(buffer.Capacity(), kMaxPartialLine + 3 * kReceiveReadSize);
    // A long line that completes within the bound is kept; the buffer grows for it.
    const std::string longLine(15000, 'y');
    EXPECT_EQ(Cut(longLine + "\r\n", {kReceiveReadSize}), (Lines{longLine}));
}

namespace {

size_t PrivateBytes() {
    // The commit charge: private bytes (Wine leaves PrivateUsage at 0).
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// A connection to a scripted server of our own, registered as far as USER and NICK; the
// PRIVMSG lines that reach the dispatch are collected.
class ServerLines : public testing::Test {
protected:
    void SetUp() override {
        CallLog::Instance().Clear();
        FloodQueueing = 0;
        window_.Aim(server_.Port());
        StartServerConnection(window_.Record());
        ASSERT_TRUE(server_.Accept());
        ASSERT_EQ(server_.ReadLine().value_or(""), "USER tester Brindlex Brindlex :Test User");
        ASSERT_EQ(server_.ReadLine().value_or(""), "NICK tester");
    }
    ScriptedServer server_;
    ServerWindow window_;
    LineCollector collector_{{"PRIVMSG"}};
};

} // namespace

// A hostile server: zero bytes, a megabyte without a line end, lines cut at every byte, a burst
// of ten thousand lines, invalid UTF-8 and every PING form. The connection must survive it all,
// stay small and answer each PING promptly.
TEST_F(ServerLines, HostileServerIsSurvivedAndAnswered) {

    auto pingAnswered = [&](const std::string& ping, const std::string& pong) {
        const ULONGLONG start = GetTickCount64();
        server_.Send(ping + "\r\n");
        std::optional<std::string> answer = server_.ReadLine(10000);
        EXPECT_EQ(answer.value_or("<none>"), pong) << ping;
        EXPECT_LT(GetTickCount64() - start, 10000u);
    };
    const size_t before = PrivateBytes();

    static const char kNul[] = ":a PRIVMSG #c :nul\0inside\r\n\0\0\0\r\n";
    server_.Send(std::string(kNul, sizeof kNul - 1));
    pingAnswered("PING :after-nul", "PONG :after-nul");

    server_.Send(std::string(1024 * 1024, 'x'));
    server_.Send("\r\n:a PRIVMSG #c :after-long\r\n");
    pingAnswered("PING :after-long", "PONG :after-long");

    // Each line cut at another byte, every cut a read boundary: the end of one line travels with
    // the start of the next, and the next write waits until that line was handled (so the start
    // it carried was read and is held between the reads).
    const std::string split = ":a PRIVMSG #c :split\r\n";
    const size_t beforeSplit = collector_.Count();
    server_.Send(split.substr(0, 1));
    for (size_t at = 1; at < split.size(); ++at) {
        server_.Send(split.substr(at) + (at + 1 < split.size() ? split.substr(0, at + 1) : ""));
        EXPECT_TRUE(WaitUntil([&] { return collector_.Count() == beforeSplit + at; }, 10000)) << at;
    }
    pingAnswered("PING :after-split", "PONG :after-split");

    std::string burst;
    for (int i = 0; i < 10000; ++i) burst += ":a PRIVMSG #c :burst " + std::to_string(i) + "\r\n";
    server_.Send(burst);
    server_.Send(":a PRIVMSG #c :\xC3\x28\xFF\xFE\xED\xA0\x80 bad utf-8\r\n");
    pingAnswered("PING :after-burst", "PONG :after-burst");
    pingAnswered("PING plain", "PONG :plain");
    pingAnswered("PING :a:b", "PONG :a:b");
    pingAnswered(":irc.test PING :prefixed", "PONG :prefixed");

    EXPECT_TRUE(WaitUntil([&] { return collector_.Count() == 1 + 1 + (split.size() - 1) + 10000 + 1; }));
    const Lines lines = collector_.Lines();
    EXPECT_EQ(lines.front(), std::string(":a PRIVMSG #c :nul\0inside", 25));
    EXPECT_EQ(lines[1], ":a PRIVMSG #c :after-long");
    EXPECT_EQ(lines.back().substr(0, 17), ":a PRIVMSG #c :\xC3\x28");
    EXPECT_LT(PrivateBytes(), before + 8 * 1024 * 1024);

    // The server closing ends the loop and runs the disconnect routine, which ends the session.
    server_.CloseClient();
    EXPECT_TRUE(WaitUntil([] { return CountCalls("SessionEnded") == 1; }));
    EXPECT_EQ(window_.Connection().Socket.load(), 0u);
}

// A server (or bouncer) that ends its lines with LF alone, or mixes the two, is read line by line.
TEST_F(ServerLines, BareLineFeedsSplitLines) {
    // Each write goes once the lines before it were handled, so the read that took them ended
    // where the write ended: inside a line, and between a CR and its LF.
    server_.Send(":a PRIVMSG #c :one\n:a PRIVMSG #c :two\r\n:a PRIVMSG #c :thr");
    ASSERT_TRUE(WaitUntil([&] { return collector_.Count() == 2; }, 10000));
    server_.Send("ee\r\n:a PRIVMSG #c :cr\rinside\n:a PRIVMSG #c :four\r");
    ASSERT_TRUE(WaitUntil([&] { return collector_.Count() == 4; }, 10000));
    server_.Send("\nPING :lf\n");
    EXPECT_EQ(server_.ReadLine().value_or("<none>"), "PONG :lf");
    EXPECT_TRUE(WaitUntil([&] { return collector_.Count() >= 5; }));
    EXPECT_EQ(collector_.Lines(), (Lines{":a PRIVMSG #c :one", ":a PRIVMSG #c :two", ":a PRIVMSG #c :three",
                                         ":a PRIVMSG #c :cr\rinside", ":a PRIVMSG #c :four"}));
    server_.CloseClient();
    EXPECT_TRUE(WaitUntil([] { return CountCalls("SessionEnded") == 1; }));
}

namespace {

HANDLE g_stallEntered = nullptr, g_stallRelease = nullptr;

bool Stall(ServerLine&) {
    SetEvent(g_stallEntered);
    WaitForSingleObject(g_stallRelease, 30000);
    return true;
}

} // namespace

// A line whose handling takes long (a window made for each of hundreds of forced joins) must not
// keep a PING behind it from its answer; the PING is answered once, and lines keep their order.
TEST_F(ServerLines, APingBehindALineStillBeingHandledIsAnsweredAtOnceAndOnce) {
    g_stallEntered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_stallRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetCommandWordHandler("STALL", Stall, 0);
    server_.Send(":s STALL now\r\n:irc.test PING :behind\r\n:a PRIVMSG #c :after\r\n");
    ASSERT_EQ(WaitForSingleObject(g_stallEntered, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(server_.ReadLine(10000).value_or("<none>"), "PONG :behind");
    EXPECT_EQ(collector_.Count(), 0u);
    SetEvent(g_stallRelease);
    EXPECT_TRUE(WaitUntil([&] { return collector_.Count() == 1; }, 10000));
    server_.Send("PING :next\r\n");
    EXPECT_EQ(server_.ReadLine(10000).value_or("<none>"), "PONG :next");
    SetCommandWordHandler("STALL", nullptr, 0);
    CloseHandle(g_stallEntered);
    CloseHandle(g_stallRelease);
}
