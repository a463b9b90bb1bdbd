// Where the controls of a chat window go for a client size.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// Height of the frame's bar (or ribbon) above the MDI client, where the chat windows start.
extern std::atomic<int32_t> TopOffset;

struct ChatLayoutInput {
    int Width = 0;
    int Height = 0;
    uint32_t Type = 0;
    int InputHeight = 30; // one line of the input box, at least 30
    bool MultiLine = false;
    bool ShowInsertsBar = false;
    bool ShowControlBar = false;
    float SplitRatio = 0.8f;   // 0 counts as 0.8
    uint32_t OwnLevel = 0;     // the user's level in a channel
    bool NickListShown = true; // a channel's nick list; hidden, the view takes its width
    // What the bars take as they are drawn (their buttons and borders); the defaults are the
    // sizes the bars are built for.
    int InsertsBarHeight = 25;
    int ControlBarWidth = 445;
    int ControlBarHeight = 0; // the input row is at least this tall, so the bar is never cut
    // Widths at which the control bar ends just after one of its buttons, left to right: a bar
    // with no room for all of them ends after the last that fits, never inside one. None: the
    // bar takes whatever room there is.
    static constexpr int kMostBarStops = 32;
    int ControlBarStops[kMostBarStops] = {};
    int ControlBarStopCount = 0;
    bool operator==(const ChatLayoutInput&) const = default;
};

struct ChatLayout {
    RECT View{};
    RECT NickList{};
    RECT OperatorBar{};
    bool ShowOperatorBar = false;
    RECT Input{};
    RECT InsertsBar{};
    RECT ControlBar{};
};

// Rectangles as (left, top, width, height) packed into RECT's four fields.
ChatLayout ComputeChatLayout(const ChatLayoutInput& in);

constexpr int kInsertsBarHeight = ChatLayoutInput{}.InsertsBarHeight;
constexpr int kControlBarWidth = ChatLayoutInput{}.ControlBarWidth;
// The input box keeps at least this width, and at least half the window's: in a narrower window
// the control bar gives way and shows the buttons that fit.
constexpr int kMinimumInputWidth = 160;
