#include "shell/controls/current_popup.h"

HMENU CurrentPopupMenu = nullptr;
uint32_t CurrentPopupKind = 0;

void ReplaceCurrentPopup(HMENU menu, uint32_t kind) {
    if (CurrentPopupMenu && CurrentPopupMenu != menu) DestroyMenu(CurrentPopupMenu);
    CurrentPopupMenu = menu;
    CurrentPopupKind = kind;
}
