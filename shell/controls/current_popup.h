// The popup of the last right-click in a view or a nick list, which the popup commands read back.
#pragma once

#include <windows.h>

#include <cstdint>

// The popup and whose it is: the window type 1-4 for a view popup, 5 for the nick-list popup.
// Interface thread only.
extern HMENU CurrentPopupMenu;
extern uint32_t CurrentPopupKind;
// Destroys the current popup (when there is one) and makes this one current.
void ReplaceCurrentPopup(HMENU menu, uint32_t kind);
