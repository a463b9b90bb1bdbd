// The transfer program's tray icon: a 16 by 16 square that fills with the share already moved.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

// The percentage shown for bytes done of size: whole percent, never above 100.
uint32_t TransferPercent(uint64_t bytesDone, uint64_t size);
// Redraws the icon unless bytes done is the value last drawn (then remembered); the previous
// icon is destroyed.
void DrawTrayProgressIcon(HWND window, uint64_t bytesDone, uint64_t size, NOTIFYICONDATAW& tray,
                          uint64_t& lastDrawn);
