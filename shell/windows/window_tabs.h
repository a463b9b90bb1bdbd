// The frame's tab strip: one tab per window record, in list order, whose image shows the
// window's state.
#pragma once

#include "core/client_services.h"

#include "core/tab_states.h"

#include <cstdint>

struct WindowRecord;

// Deletes every tab and inserts one per record in list order with the record's name. A record
// that had a tab keeps its state, so opening a window does not wipe the marks of the others.
void RebuildWindowTabs();
// Inserts the record's tab at the record's place in the list: opening a window touches its own tab
// only, however many are open.
void InsertWindowTab(const WindowRecord* record);
namespace shell {
// Sets the text of the record's tab to the record's name.
void SetWindowTabCaption(const WindowRecord* record);
// The image index of the record's tab; kNoTabState when no tab has it.
uint32_t GetWindowTabState(const WindowRecord* record);
// Sets the image of every tab of the record. State 2 also plays "Inactive_beep" when set. Unless
// NoRefresh is set, the frame's title follows.
void SetWindowTabState(const WindowRecord* record, uint32_t state, TabStateOptions options = {});
} // namespace shell
// Draws the whole strip again, as after a tab was removed.
void RedrawWindowTabs();
// Presses the record's tab and releases the others; unless state is kNoTabState, the record's tab
// takes it when its current state is below 3. A null record releases all tabs.
void SelectWindowTab(const WindowRecord* record, uint32_t state);
