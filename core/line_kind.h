// The kinds of line a chat window shows; each has its own format and colour.
#pragma once

#include <cstdint>

// One row per kind, in the kinds' order: its name and the settings key of its event format
// ("Cfg\Appearance"); an information line is printed as given and has no format.
#define BRINDLEX_LINE_KINDS(ROW)                                                                             \
    ROW(kOwnMessageLine, "MyMessage_Format")                                                                 \
    ROW(kMessageLine, "Message_Format")                                                                      \
    ROW(kJoinLine, "Join_Format")                                                                            \
    ROW(kPartLine, "Part_Format")                                                                            \
    ROW(kModeLine, "Mode_Format")                                                                            \
    ROW(kTopicLine, "Topic_Format")                                                                          \
    ROW(kQuitLine, "Quit_Format")                                                                            \
    ROW(kNickLine, "Nick_Format")                                                                            \
    ROW(kKickLine, "Kick_Format")                                                                            \
    ROW(kNoticeLine, "Notice_Format")                                                                        \
    ROW(kKillLine, "Kill_Format")                                                                            \
    ROW(kActionLine, "Me_Format")                                                                            \
    ROW(kInviteLine, "Invite_Format")                                                                        \
    ROW(kSilenceLine, "Silence_Format")                                                                      \
    ROW(kInformationLine, nullptr)

#define BRINDLEX_LINE_KIND_NAME(name, key) name,
enum LineKind : uint32_t { BRINDLEX_LINE_KINDS(BRINDLEX_LINE_KIND_NAME) };
#undef BRINDLEX_LINE_KIND_NAME

#define BRINDLEX_LINE_KIND_KEY(name, key) key,
// The event format key of each kind, indexed by the kind.
constexpr const char* kLineKindFormatKeys[] = {BRINDLEX_LINE_KINDS(BRINDLEX_LINE_KIND_KEY)};
#undef BRINDLEX_LINE_KIND_KEY

// The numbers are part of the plug-in and script interfaces: the rows keep them.
static_assert(kOwnMessageLine == 0 && kSilenceLine == 13 && kInformationLine == 14);
