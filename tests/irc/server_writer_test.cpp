// A server that accepts and then never reads, while the interface thread sends it 20 MB.
#include <gtest/gtest.h>

#include "irc/bounded_send.h"
#include "irc/send_path.h"
#include "irc/server_session.h"
#include "tests/support/chat_test_frame.h"
#include "tests/support/irc_test_support.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// Asks the frame for an answer every few milliseconds from a thread of its own and counts the
// questions left unanswered for a second: a frame held by the stalled socket would leave them
// unanswered for the whole stall limit (several in a row), while a busy machine delays one now
// and then.
class FrameSampler {
public:
    explicit FrameSampler(HWND frame)
        : thread_([this, frame] {
              while (running_) {
                  DWORD_PTR result = 0;
                  if (!SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) ++late_;
                  ++samples_;
                  Sleep(10);
              }
          }) {}
    ~FrameSampler() { Stop(); }
    void Stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    int Samples() const { return samples_; }
    int Late() const { return late_; }

private:
    std::atomic<bool> running_{true};
    std::atomic<int> samples_{0};
    std::atomic<int> late_{0};
    std::thread thread_;
};

} // namespace

TEST(SessionWriter, ServerThatStopsReadingNeitherFreezesTheFrameNorStaysConnected) {
    CallLog::Instance().Clear();
    constexpr uint32_t kLimitMs = 5000;
    const uint32_t savedLimit = WriteStallLimitMs.exchange(kLimitMs);
    ChatTestFrame frame;
    SetFloodDelay(frame.Window(), 10);
    ScriptedServer server;
    ServerWindow window;
    window.Aim(server.Port());
    StartServerConnection(window.Record());
    ASSERT_TRUE(server.Accept());
    // Registration leaves through the flood queue; after it the server reads nothing more.
    int registered = 0;
    ASSERT_TRUE(PumpUntil([&] { return (registered += server.ReadLine(1).has_value()) == 2; }, 10000));

    FrameSampler sampler(frame.Window());
    const ULONGLONG start = GetTickCount64();
    const std::string line = "PRIVMSG #stall :" + std::string(1000, 'q') + "\r\n";
    // On a slow machine the stall limit can pass while the bursts are still going: from then on
    // every send is refused, which is the ending this test waits for below.
    bool refused = false;
    for (int burst = 0; burst < 100 && !refused; ++burst) {
        for (int i = 0; i < 100 && !refused; ++i) {
            const size_t sent = SendServerLine(line, window.Record(), i % 2);
            refused = sent == 0;
            if (!refused) {
                ASSERT_EQ(sent, line.size());
            }
        }
        PumpUntil([] { return false; }, 1);
    }
    const std::string failed = "Could not connect to 127.0.0.1, port " + std::to_string(server.Port());
    EXPECT_TRUE(PumpUntil([&] { return CountCalls("SessionEnded") == 1; }, 60000));
    const ULONGLONG ended = GetTickCount64();
    sampler.Stop();

    EXPECT_LE(sampler.Late(), 1) << "of " << sampler.Samples();
    EXPECT_GE(sampler.Samples(), 10);
    const std::vector<std::string> printed = CallTexts("PrintToWindow");
    EXPECT_EQ(std::count(printed.begin(), printed.end(), failed), 1) << printed.back();
    EXPECT_GE(ended - start, kLimitMs);
    EXPECT_EQ(SendServerLine("PRIVMSG #stall :too late\r\n", window.Record(), 1), 0u);
    // The connection thread finds the session over and ends without a second one.
    EXPECT_TRUE(PumpUntil(
        [&] { return WaitForSingleObject(window.Connection().ConnectionThread, 0) == WAIT_OBJECT_0; },
        10000));
    EXPECT_EQ(CountCalls("SessionEnded"), 1u);

    SetFloodDelay(frame.Window(), 0);
    WriteStallLimitMs = savedLimit;
}
