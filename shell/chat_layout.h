// Where the controls of a chat window go for a client size.
#pragma once

#include <windows.h>

#include <cstdint>

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

constexpr int kInsertsBarHeight = 25;
constexpr int kControlBarWidth = 445;
// The input box keeps at least this width: in a narrower window the control bar gives way.
constexpr int kMinimumInputWidth = 160;
