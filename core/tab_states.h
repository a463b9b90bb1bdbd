// The states a window's tab shows, as indexes into the tab image list.
#pragma once

#include <cstdint>

enum TabState : uint32_t {
    kTabIdle = 0,      // nothing new
    kTabNewLines = 1,  // new lines
    kTabMentioned = 2, // the user's nick or a highlight word
    kTabNotifyOn = 3,  // tray notification on
    kTabPaused = 4,    // output paused
    kTabHeldLines = 5, // lines held while paused
    kNoTabState = 0xFFFFFFFF,
};
