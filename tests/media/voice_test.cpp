// Voice chat: the level and the gate alone; capture switched off and on again with every buffer
// freed once; and sound captured on one DCC chat, compressed, sent over loopback and played on the
// other through the run's null sink.
#include "tests/media/media_test_support.h"

#include "core/window_record.h"
#include "media/voice_chat.h"

#include <mmsystem.h>

#include <mutex>
#include <set>
#include <vector>

namespace {

std::vector<uint8_t> Samples16(size_t count, int16_t loudValue, size_t loudCount) {
    std::vector<uint8_t> bytes(count * 2, 0);
    for (size_t at = 0; at < loudCount; ++at) {
        bytes[at * 2] = static_cast<uint8_t>(loudValue & 0xFF);
        bytes[at * 2 + 1] = static_cast<uint8_t>((loudValue >> 8) & 0xFF);
    }
    return bytes;
}

// Hands out and takes back capture memory, noting every fault.
struct CountingHeap {
    std::mutex Mutex;
    std::set<void*> Live;
    size_t Allocations = 0;
    size_t BadFrees = 0;
};
CountingHeap Heap;

void* CountedAllocate(size_t bytes) {
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
    std::lock_guard<std::mutex> lock(Heap.Mutex);
    Heap.Live.insert(memory);
    ++Heap.Allocations;
    return memory;
}

void CountedFree(void* memory) {
    {
        std::lock_guard<std::mutex> lock(Heap.Mutex);
        if (Heap.Live.erase(memory) == 0) {
            ++Heap.BadFrees; // freed twice or never handed out: keep it, do not corrupt the heap
            return;
        }
    }
    HeapFree(GetProcessHeap(), 0, memory);
}

} // namespace

TEST(VoiceLevel, SharesOfLoudSamples) {
    struct Case {
        const char* Name;
        std::vector<uint8_t> Buffer;
        uint32_t Bits;
        uint32_t Percent;
    };
    const Case cases[] = {
        {"16-bit silence", Samples16(800, 0, 0), 16, 0},
        {"16-bit at the threshold is quiet", Samples16(800, 100, 800), 16, 0},
        {"16-bit all loud", Samples16(800, -101, 800), 16, 100},
        {"16-bit a quarter loud", Samples16(800, 3000, 200), 16, 25},
        {"8-bit silence is 128", std::vector<uint8_t>(400, 128), 8, 0},
        {"8-bit all loud", std::vector<uint8_t>(400, 200), 8, 100},
        {"empty", {}, 16, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(media::VoiceLevelPercent(c.Buffer.data(), static_cast<uint32_t>(c.Buffer.size()), c.Bits),
                  c.Percent);
    }
}

TEST(VoiceGate, TenBuffersAfterOpeningThenOnlySpeechAndThreeAfterIt) {
    media::VoiceGate gate;
    for (int at = 0; at < 10; ++at) EXPECT_TRUE(gate.Pass(0)) << "quiet buffer " << at << " after opening";
    EXPECT_FALSE(gate.Pass(19)) << "silence is dropped from then on";
    EXPECT_TRUE(gate.Pass(20)) << "a loud buffer";
    for (int at = 0; at < 3; ++at) EXPECT_TRUE(gate.Pass(0)) << "quiet buffer " << at << " after speech";
    EXPECT_FALSE(gate.Pass(0));
    EXPECT_FALSE(gate.Pass(5));
}

class Voice : public MediaTest {};

// Switching capture off takes every buffer back from the device before freeing it; switched on and
// off again and again, nothing is freed twice and nothing is left.
TEST_F(Voice, CaptureStoppedAndRestartedFreesEveryBufferOnce) {
    std::string reason;
    if (!SoundDevicesPresent(reason)) GTEST_SKIP() << reason;
    media::SetVoiceAllocator({&CountedAllocate, &CountedFree});
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(media::OpenWaveIn(nullptr));
        // Some rounds stop at once, others after buffers went round and messages wait.
        if (round % 2) PumpUntil([] { return false; }, 300);
        media::CloseWaveIn(nullptr);
        std::lock_guard<std::mutex> lock(Heap.Mutex);
        EXPECT_EQ(Heap.BadFrees, 0u);
        EXPECT_TRUE(Heap.Live.empty()) << Heap.Live.size() << " blocks still held";
    }
    EXPECT_EQ(Heap.Allocations, 8u * 10u) << "five headers and five buffers a round";
    media::SetVoiceAllocator(
        {[](size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); },
         [](void* memory) { HeapFree(GetProcessHeap(), 0, memory); }});
}

// Two chats joined over loopback in this process: the caller captures (the null sink's monitor is
// silence, so only the ten buffers after opening pass the gate), the listener hears.
TEST_F(Voice, RoundTripOverADccChatWithCompressedFrames) {
    std::string reason;
    if (!SoundDevicesPresent(reason)) GTEST_SKIP() << reason;
    DccPair pair;
    ASSERT_TRUE(pair.Start());

    ASSERT_TRUE(media::OpenWaveIn(pair.Caller));
    EXPECT_EQ(pair.Caller->VoiceCapture, 1);
    ASSERT_TRUE(PumpUntil([&] { return Printed(pair.Listener, "The other side is talking."); }, 20000));

    ASSERT_TRUE(media::OpenWaveOut(pair.Listener));
    EXPECT_EQ(pair.Listener->VoiceCapture, 0) << "a window that only listens sends nothing";
    ASSERT_TRUE(PumpUntil([&] { return playedBlocks_ >= 4; }, 30000)) << playedBlocks_ << " blocks played";
    // 200 ms of 16-bit PCM at 8 kHz is 3200 bytes; compressed it is a fraction of that.
    EXPECT_GT(largestPlayedBlock_.load(), 0u);
    EXPECT_LT(largestPlayedBlock_.load(), 1200u);

    // After the ten buffers, silence is gated: playback runs dry.
    EXPECT_TRUE(PumpUntil([] { return media::QueuedVoiceBlocks() == 0; }, 20000));
    PumpUntil([] { return false; }, 1500);
    EXPECT_LE(playedBlocks_.load(), 10u) << "silence is not sent after the first ten buffers";

    media::CloseWaveIn(pair.Caller);
    media::CloseWaveOut(pair.Listener);
    EXPECT_EQ(pair.Caller->VoiceCapture, 0);
    EXPECT_EQ(pair.Listener->VoiceListen, 0);
}
