// The one road by which every line reaches a chat window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct WindowRecord;

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

// Prints one line with display markup into the record's view (or into view when given).
// noTimeStamp: no time stamp; noNotice: the line does not raise the tab's activity state;
// noTray: not added to the tray balloon; chatLine: a chat message (takes part in grouping);
// noLock: the caller already holds the Rich Edit append lock.
void PrintToWindow(LineKind kind, WindowRecord* record, const std::wstring& text, HWND view = nullptr,
                   uint8_t noTimeStamp = 0, uint8_t noNotice = 0, uint8_t noTray = 0, uint8_t chatLine = 0,
                   uint8_t noLock = 0);
