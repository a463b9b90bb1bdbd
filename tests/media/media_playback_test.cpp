// "/play": a sound file played, paused, resumed and stopped through DirectShow, two playbacks side
// by side found by name, and one that plays to its end leaving the list.
#include "tests/media/media_test_support.h"

#include "common/xstring.h"
#include "core/client_services.h"
#include "media/media_list.h"
#include "tests/support/test_files.h"

#include <cmath>

namespace {

// A mono 16-bit 8 kHz tone of the given length.
std::string WaveFile(uint32_t milliseconds) {
    const uint32_t samples = 8000 * milliseconds / 1000;
    const uint32_t dataBytes = samples * 2;
    std::string out;
    auto put32 = [&out](uint32_t value) {
        for (int at = 0; at < 4; ++at) out += static_cast<char>((value >> (8 * at)) & 0xFF);
    };
    auto put16 = [&out](uint16_t value) {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8);
    };
    out += "RIFF";
    put32(36 + dataBytes);
    out += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(16000);
    put16(2);
    put16(16);
    out += "data";
    put32(dataBytes);
    for (uint32_t at = 0; at < samples; ++at)
        put16(static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(at * 0.3))));
    return out;
}

uint32_t StateOf(const std::wstring& name) {
    uint32_t state = 0;
    ChangeMediaEntry(name, [&state](MediaEntry& entry) { state = entry.State; });
    return state;
}

void Play(const std::wstring& file, const char* action) {
    const std::string line = "/play \"" + WideToNarrow(file, CP_UTF8) + "\" " + action;
    ASSERT_NE(ExecuteCommand(line.c_str(), nullptr, nullptr, nullptr), 0u) << line;
}

class MediaPlayback : public MediaTest {
protected:
    void SetUp() override {
        MediaTest::SetUp();
        std::string reason;
        if (!SoundDevicesPresent(reason)) GTEST_SKIP() << reason;
        folder_ = std::make_unique<TestFolder>(L"media");
        long_ = folder_->File(L"long tone.wav");
        short_ = folder_->File(L"short.wav");
        ASSERT_TRUE(WriteFileBytes(long_, WaveFile(3000)));
        ASSERT_TRUE(WriteFileBytes(short_, WaveFile(600)));
    }
    void TearDown() override {
        for (const std::wstring* file : {&long_, &short_})
            if (!file->empty() && FindMediaEntry(*file) != kNoMediaEntry) Play(*file, "stop");
        PumpUntil([] { return MediaEntryCount() == 0; }, 5000);
        // The playback threads release their graphs after leaving the list.
        PumpUntil([] { return false; }, 500);
        MediaTest::TearDown();
    }
    std::unique_ptr<TestFolder> folder_;
    std::wstring long_, short_;
};

} // namespace

TEST_F(MediaPlayback, PlayedPausedResumedAndStoppedByPlay) {
    Play(long_, "play");
    ASSERT_TRUE(PumpUntil([&] { return FindMediaEntry(long_) != kNoMediaEntry; }, 20000))
        << "DirectShow did not play the file";
    EXPECT_EQ(StateOf(long_), kMediaPlaying);

    Play(long_, "pause");
    ASSERT_TRUE(PumpUntil([&] { return StateOf(long_) == kMediaPaused; }));
    // Longer than the whole file: a paused playback never ends by completion.
    PumpUntil([] { return false; }, 3500);
    EXPECT_EQ(StateOf(long_), kMediaPaused);

    Play(long_, "resume");
    ASSERT_TRUE(PumpUntil([&] { return StateOf(long_) == kMediaPlaying; }));
    EXPECT_NE(FindMediaEntry(long_), kNoMediaEntry) << "the same playback goes on";

    const DWORD asked = GetTickCount();
    Play(long_, "stop");
    ASSERT_TRUE(PumpUntil([&] { return FindMediaEntry(long_) == kNoMediaEntry; }, 5000));
    EXPECT_LT(GetTickCount() - asked, 1000u) << "stopped within a second";
}

TEST_F(MediaPlayback, TwoPlaybacksAtOnceFoundByName) {
    Play(long_, "play");
    Play(short_, "start");
    ASSERT_TRUE(PumpUntil(
        [&] { return FindMediaEntry(long_) != kNoMediaEntry && FindMediaEntry(short_) != kNoMediaEntry; },
        20000));
    EXPECT_NE(FindMediaEntry(long_), FindMediaEntry(short_));
    std::wstring otherCase = short_;
    otherCase.back() = L'V';
    EXPECT_EQ(FindMediaEntry(otherCase), kNoMediaEntry) << "names match exactly";
    Play(L"not playing.wav", "stop"); // no entry of that name: nothing happens to the others

    // The short file plays to its end and leaves the list; the long one plays on.
    ASSERT_TRUE(PumpUntil([&] { return FindMediaEntry(short_) == kNoMediaEntry; }, 10000));
    EXPECT_EQ(StateOf(long_), kMediaPlaying);
    EXPECT_EQ(MediaEntryCount(), 1u);
}
