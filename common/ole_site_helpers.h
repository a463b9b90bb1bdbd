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

// The in-place site and frame of objects shown inside a host window: the window and its client
// area answer for both, and every step of activation is accepted. The owner answers the rest.
class HostWindowInPlaceSite : public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    HostWindowInPlaceSite(HWND host, HWND parent) : host_(host), parent_(parent) {}

    // IOleWindow (of the site and the frame alike)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = host_;
        return S_OK;
    }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               RECT* position, RECT* clip,
                                               OLEINPLACEFRAMEINFO* info) override {
        AnswerWindowContext(this, host_, parent_, frame, document, position, clip, info);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow
    HRESULT STDMETHODCALLTYPE GetBorder(RECT* border) override {
        if (!border) return E_POINTER;
        GetClientRect(host_, border);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }

protected:
    HWND host_;
    HWND parent_;
};
