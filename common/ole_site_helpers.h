// What every in-place site of ours answers the same way: its frame's description and the place
// an object may take inside the hosting window.
#pragma once

#include <windows.h>
#include <ole2.h>

// An SDI frame with no accelerators.
inline void DescribeFrame(OLEINPLACEFRAMEINFO* info, HWND frame) {
    if (!info) return;
    info->cb = sizeof *info;
    info->fMDIApp = FALSE;
    info->hwndFrame = frame;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
}

// The object's position and clip are the host's whole client area.
inline void PlaceInClientArea(HWND host, RECT* position, RECT* clip) {
    RECT client{};
    GetClientRect(host, &client);
    if (position) *position = client;
    if (clip) *clip = client;
}
