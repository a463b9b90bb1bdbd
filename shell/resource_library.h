// The resource library (icons, bitmaps, image lists, default documents) that start-up loads from
// the program folder.
#pragma once

#include <windows.h>

#include <atomic>

extern std::atomic<HMODULE> ResourceModule;
