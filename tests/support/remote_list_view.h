// List views, tree views, tab strips and toolbars of another process, read and changed from a test: their
// items live in that process, so what a message carries is placed in its memory.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

// The text of the item's column; empty when it cannot be read.
std::wstring RemoteListItemText(HWND list, int row, int column);
// The header of the list's group; empty when it has no such group.
std::wstring RemoteListGroupHeader(HWND list, int group);
// Selects and focuses the item alone, as a click on it does.
bool SelectRemoteListItem(HWND list, int row);
// The cell's rectangle in the list's client coordinates (column 0: the whole row).
RECT RemoteListCellRect(HWND list, int row, int column);
// The tree item's label and the rectangle of its text in the tree's client coordinates.
std::wstring RemoteTreeItemText(HWND tree, HTREEITEM item);
RECT RemoteTreeItemTextRect(HWND tree, HTREEITEM item);

// The text of a tab strip's tab as the strip holds it (before its "&" prefixes are drawn).
std::wstring RemoteTabText(HWND tabs, int index);
// Where the tab stands in the strip's client area; false when there is no such tab.
bool RemoteTabRect(HWND tabs, int index, RECT& rect);
// Where the toolbar's button stands in the toolbar's client area; false when it is hidden or
// there is no such button.
bool RemoteToolbarButtonRect(HWND toolbar, int index, RECT& rect);
