// Values that applying the settings fills and the views read on every line.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

// The fonts of "Cfg\\Fonts" in this order: view, input box, nick list, tabs, fixed. Changed only on
// the interface thread.
enum ConfiguredFontIndex : uint32_t {
    kViewFont = 0,
    kInputFont = 1,
    kListFont = 2,
    kTabFont = 3,
    kFixedFont = 4,
};
extern std::vector<HFONT> ConfiguredFonts;

// "Cfg\\Options2" "Group_Chat_Messages": consecutive chat lines of one sender hide the sender.
extern std::atomic<uint8_t> GroupChatMessages;
