// Fonts made from the configuration, tracked so that they are deleted exactly once.
#pragma once

#include <windows.h>

// The "Cfg\\Fonts" key's LOGFONTW (92 bytes); DEFAULT_GUI_FONT (not tracked) when the key is
// missing, of another size or has height 0.
HFONT CreateConfigFont(const char* key);
// Copies of a font with weight 700, or underlined; tracked.
HFONT CreateBoldFont(HFONT font);
HFONT CreateUnderlinedFont(HFONT font);
// Deletes a tracked font and forgets it; other fonts (stock ones among them) are left alone.
void DeleteTrackedFont(HFONT font);
void DeleteAllTrackedFonts();
bool IsTrackedFont(HFONT font);
