// Chores on list views and tree views.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// Sizes the given columns to their contents (the list hidden meanwhile) and writes the item
// count into column 0's header.
void AutosizeListColumns(HWND listView, const std::vector<int>& columns);
// Clears the selected state of every item.
BOOL ListViewClearSelection(HWND listView);
// Shows the item bold and selected and takes the highlight off the item highlighted before.
void TreeViewHighlightItem(HWND treeView, HTREEITEM item);
// Marks the item as having children unless it is marked already.
void TreeViewSetHasChildren(HWND treeView, HTREEITEM item);
// The text of an item's column (up to 1000 characters).
std::wstring ListViewItemText(HWND listView, int row, int column);
// The label of a tree item (up to 1000 characters).
std::wstring TreeViewItemText(HWND treeView, HTREEITEM item);
