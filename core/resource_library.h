// The resource library (icons, bitmaps, image lists, default documents) that start-up loads from
// the program folder, and the images start-up takes from it for the whole run.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>

extern std::atomic<HMODULE> ResourceModule;

// The tab states' icons "STAT_1" to "STAT_6" (16 x 16).
extern HIMAGELIST TabImageList;
// Bitmap image lists: "PP_1" the preferences bar, "BB_1" the chat windows' standard bar, "BB_2"
// the operator bar of channels, "BB_3" their control bar.
inline constexpr const wchar_t* kPreferencesBarStrip = L"PP_1";
inline constexpr const wchar_t* kWindowBarStrip = L"BB_1";
inline constexpr const wchar_t* kInsertsBarStrip = L"BB_2";
inline constexpr const wchar_t* kControlBarStrip = L"BB_3";
extern HIMAGELIST PreferencesBarImages;
extern HIMAGELIST WindowBarImages;
extern HIMAGELIST InsertsBarImages;
extern HIMAGELIST ControlBarImages;
