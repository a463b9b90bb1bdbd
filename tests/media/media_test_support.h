// What the media tests share: the stand-in frame with the device and speech messages routed as
// the real frame routes them, the run's sound device, and pairs of DCC chat windows joined over
// loopback.
#pragma once

#include "tests/recorders/call_log.h"
#include "tests/support/chat_test_frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

struct WindowRecord;

// Whether the run's sound server gave Wine a device to play and to record on; the reason when not.
bool SoundDevicesPresent(std::string& reason);

class MediaTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Played blocks handed back (MM_WOM_DONE) and the largest of them in bytes.
    std::atomic<size_t> playedBlocks_{0};
    std::atomic<size_t> largestPlayedBlock_{0};
    std::unique_ptr<ChatTestFrame> frame_;
};

// Two DCC chat windows, the first listening and the second connecting to it on loopback.
struct DccPair {
    WindowRecord* Listener = nullptr;
    WindowRecord* Caller = nullptr;
    // False when the two did not connect in time.
    bool Start();
    ~DccPair();
};

// Whether a line containing the text was printed into the window.
bool Printed(const WindowRecord* window, const std::string& text);
