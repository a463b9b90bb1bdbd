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

// IOleInPlaceSite::GetWindowContext for a site that is its own frame and has no document window.
inline void AnswerWindowContext(IOleInPlaceFrame* self, HWND host, HWND frameWindow, IOleInPlaceFrame** frame,
                                IOleInPlaceUIWindow** document, RECT* position, RECT* clip,
                                OLEINPLACEFRAMEINFO* info) {
    if (frame) {
        *frame = self;
        self->AddRef();
    }
    if (document) *document = nullptr;
    PlaceInClientArea(host, position, clip);
    DescribeFrame(info, frameWindow);
}
