// The frame's tab strip: one tab per window record, in list order, whose image shows the
// window's state.
#pragma once

#include <cstdint>

struct WindowRecord;

// Tab states: indexes into the tab image list.
enum TabState : uint32_t {
    kTabIdle = 0,      // nothing new
    kTabNewLines = 1,  // new lines
    kTabMentioned = 2, // the user's nick or a highlight word
    kTabNotifyOn = 3,  // tray notification on
    kTabPaused = 4,    // output paused
    kTabHeldLines = 5, // lines held while paused
    kNoTabState = 0xFFFFFFFF,
};

// Deletes every tab and inserts one per record in list order with the record's name. A record
// that had a tab keeps its state, so opening a window does not wipe the marks of the others.
void RebuildWindowTabs();
// Sets the text of the record's tab to the record's name.
void SetWindowTabCaption(const WindowRecord* record);
// The image index of the record's tab; kNoTabState when no tab has it.
uint32_t GetWindowTabState(const WindowRecord* record);
// Sets the image of every tab of the record. State 2 also plays "Inactive_beep" when set. Unless
// noRefresh is set, the frame's title follows.
void SetWindowTabState(const WindowRecord* record, uint32_t state, uint8_t noRefresh);
// Presses the record's tab and releases the others; unless state is kNoTabState, the record's tab
// takes it when its current state is below 3. A null record releases all tabs.
void SelectWindowTab(const WindowRecord* record, uint32_t state);
