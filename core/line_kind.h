// The kinds of line a chat window shows; each has its own format and colour.
#pragma once

#include <cstdint>

enum LineKind : uint32_t {
    kOwnMessageLine = 0,
    kMessageLine = 1,
    kJoinLine = 2,
    kPartLine = 3,
    kModeLine = 4,
    kTopicLine = 5,
    kQuitLine = 6,
    kNickLine = 7,
    kKickLine = 8,
    kNoticeLine = 9,
    kKillLine = 10,
    kActionLine = 11,
    kInviteLine = 12,
    kSilenceLine = 13,
    kInformationLine = 14,
};
