#include "shell/controls/chat_layout.h"

#include "core/window_record.h"

#include <algorithm>

std::atomic<int32_t> TopOffset{67};

namespace {

RECT Box(int x, int y, int w, int h) {
    return RECT{x, y, w, h};
}

// The widest the control bar can be within the room without cutting one of its buttons.
int BarWithin(const ChatLayoutInput& in, int room) {
    if (in.ControlBarStopCount <= 0) return room;
    int fits = 0;
    for (int i = 0; i < in.ControlBarStopCount && i < ChatLayoutInput::kMostBarStops; ++i)
        if (in.ControlBarStops[i] <= room) fits = std::max(fits, in.ControlBarStops[i]);
    return fits;
}

} // namespace

ChatLayout ComputeChatLayout(const ChatLayoutInput& in) {
    ChatLayout out;
    const int w = in.Width, h = in.Height;
    int hi = in.MultiLine ? in.InputHeight * 3 : in.InputHeight;
    if (in.ShowControlBar && hi < in.ControlBarHeight) hi = in.ControlBarHeight;
    const int hb = in.ShowInsertsBar ? in.InsertsBarHeight : 0;
    int wc = in.ShowControlBar ? in.ControlBarWidth : 0;
    const int minimumInput = std::max(kMinimumInputWidth, w / 2);
    if (wc > w - minimumInput) wc = BarWithin(in, w > minimumInput ? w - minimumInput : 0);
    const float ratio = in.SplitRatio == 0.0f ? 0.8f : in.SplitRatio;
    const int x = static_cast<int>(static_cast<float>(w) * ratio);
    if (in.Type == kChannelWindow && in.NickListShown) {
        out.View = Box(0, 0, x, h - hb - hi);
        if (in.OwnLevel >= 3) {
            out.NickList = Box(x, 0, w - x, h - 2 * hi - hb);
            out.OperatorBar = Box(x, h - 2 * hi - hb, w - x, hi);
            out.ShowOperatorBar = true;
        } else {
            out.NickList = Box(x, 0, w - x, h - hb - hi);
        }
    } else {
        out.View = Box(0, 0, w, h - hb - hi);
    }
    out.Input = Box(0, h - hi, w - wc, hi);
    out.InsertsBar = Box(0, h - hb - hi, w, hb);
    out.ControlBar = Box(w - wc, h - hi, wc, hi);
    return out;
}
