// What the stand-in's objects share: the objects alive in this process, the figures the tests
// read back, and the window whose message loop delivers events.
#pragma once

#include "tests/assist/standin_objects.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct StandInState {
    std::recursive_mutex Lock;
    HWND Window = nullptr; // events are posted here and fired on its thread
    uint32_t ChannelWindow = 0;
    std::map<std::wstring, uint32_t> PendingAnswers;
    std::map<std::wstring, std::vector<uint32_t>> DeliveredAtViewer;
    std::map<std::wstring, std::vector<uint32_t>> DeliveredAtSharer;
    std::vector<StandInSession*> Sessions; // not owned; each removes itself
    std::vector<StandInViewer*> Viewers;
    LONG NextAttendeeId = 100;
    LONG NextSessionId = 1;
};

// The live state, or null when no StandInSharing exists.
StandInState* StandIn();

// Runs work on the stand-in's thread through its message loop (after everything posted before).
void PostToStandIn(std::function<void()> work);
