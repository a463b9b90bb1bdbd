// Connection threads read the window list while the interface thread changes it.
#include <gtest/gtest.h>

#include "core/window_list.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

TEST(WindowListThreads, ReadersSeeAConsistentListWhileItChanges) {
    std::vector<std::unique_ptr<WindowRecord>> servers;
    for (int i = 0; i < 4; ++i) {
        servers.push_back(std::make_unique<WindowRecord>(nullptr, kServerWindow, nullptr));
        servers.back()->CreatedTick = static_cast<uint32_t>(i);
        servers.back()->Name = "server" + std::to_string(i);
        servers.back()->Connection = reinterpret_cast<ServerConnection*>(servers.back().get());
        InsertWindowRecord(servers.back().get());
    }
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> reads{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r)
        readers.emplace_back([&] {
            while (!stop.load()) {
                for (auto& s : servers) {
                    uint32_t index = FindWindowRecordIndex(s->Name, s->Connection);
                    EXPECT_NE(index, kNoWindowIndex);
                    EXPECT_EQ(FindWindowCodePage("#gone", s->Connection), -1);
                }
                for (WindowRecord* record : WindowListSnapshot()) EXPECT_NE(record, nullptr);
                GetWindowRecordAt(5);
                ++reads;
            }
        });
    // Channels come and go while the readers look (and until they have looked a while: the
    // writer may otherwise finish before a reader is even scheduled).
    for (int round = 0; round < 2000 || (reads.load() < 50 && round < 5000000); ++round) {
        auto channel = std::make_unique<WindowRecord>(nullptr, kChannelWindow, servers[round % 4].get());
        channel->Name = "#gone";
        InsertWindowRecord(channel.get());
        EXPECT_TRUE(EraseWindowRecord(channel.get()));
    }
    stop = true;
    for (auto& t : readers) t.join();
    EXPECT_GT(reads.load(), 0u);
    for (auto& s : servers) EraseWindowRecord(s.get());
}
