// Cells of the channel list window.
#pragma once

#include <cstdint>
#include <string>

enum ChannelCellMode : uint32_t {
    kChannelNameCell = 0,
    kUserCountCell = 1,
};

// Mode 1: the text padded with blanks to 5 characters. Otherwise the channel name as a link that
// joins it: a name of 28 bytes or more shows its first 25 bytes (never half a UTF-8 character)
// and "...", with the whole name in the link's command; a shorter one is shown whole and padded to
// 30 characters. Control codes of the name are dropped, and a name whose characters would end the
// link's command early is shown whole as a plain link; one that starts with a brace (which would
// open the link's commands) as plain text.
std::string FormatChannelListCell(const std::string& text, uint32_t mode);
