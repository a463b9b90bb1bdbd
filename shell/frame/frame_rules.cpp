// The frame's pure rules: where its parts go and the notify probe line.
#include "shell/frame/frame_window.h"

#include <cstdio>

namespace {

constexpr uint32_t kMaxProbeLine = 10000;
constexpr int kSideTabsWidth = 150;

} // namespace

FrameLayout ComputeFrameLayout(int width, int height, int top, int tabHeight, int32_t tabPosition) {
    FrameLayout layout;
    switch (tabPosition) {
        case 1:
            layout.Client = RECT{0, top + tabHeight, width, height - tabHeight - top};
            layout.Tabs = RECT{0, top, width, tabHeight};
            break;
        case 2:
            layout.Client = RECT{kSideTabsWidth, top, width - kSideTabsWidth, height - top};
            layout.Tabs = RECT{0, top, kSideTabsWidth, height - top};
            break;
        case 3:
            layout.Client = RECT{0, top, width - kSideTabsWidth, height - top};
            layout.Tabs = RECT{width - kSideTabsWidth, top, kSideTabsWidth, height - top};
            break;
        default:
            layout.Client = RECT{0, top, width, height - tabHeight - top};
            layout.Tabs = RECT{0, height - tabHeight, width, tabHeight};
            break;
    }
    return layout;
}

std::string BuildNotifyProbeLine(const std::string& notifyList, uint32_t random) {
    std::string line = "ISON " + notifyList;
    if (line.size() + 2 > kMaxProbeLine) line.resize(kMaxProbeLine - 2);
    if (line.size() < 6) {
        char placeholder[16];
        snprintf(placeholder, sizeof placeholder, "ison%04u", random % 1000);
        line += placeholder;
    }
    return line + "\r\n";
}
