// The smiley popup menu: one submenu per group of smiley bitmaps from the resource library.
#pragma once

#include <windows.h>

#include <cstdint>

// Item ids: kSmileyFirstId + group x 100 + item (47101 is group 1, item 0).
constexpr UINT kSmileyFirstId = 47001;

// Builds the menu on first use; unless buildOnly, shows it at the cursor for the window, which
// receives the chosen command. Returns the menu (null when nothing could be built).
HMENU ShowSmileyMenu(HWND window, bool buildOnly);
// Frees the menu and its bitmaps; the next use builds it again (after a change of colours).
void DestroySmileyMenu();
// The bitmap of the menu item with that id, or null.
HBITMAP SmileyMenuBitmap(HMENU menu, UINT id);
// A new square bitmap of the side with the smiley of that number (the markup's: 101 is group 1,
// item 1) on the background colour, in the middle, or scaled down to fit; null when the resource
// library has no such picture.
HBITMAP MakeSmileyPicture(uint32_t number, COLORREF background, int side = 30);
// A new 30 x 30 bitmap: the background colour with the source drawn over it in the middle, the
// key colour of the source transparent.
HBITMAP MakeMenuBitmap(HBITMAP source, COLORREF keyColor, COLORREF background);
