#include "peer/rich_edit_ole_callback.h"

#include "common/ole_site_helpers.h"

MyRole::MyRole(HWND richEdit) : HostWindowInPlaceSite(richEdit, GetParent(richEdit)) {}

HRESULT MyRole::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IRichEditOleCallback)
        *out = static_cast<IRichEditOleCallback*>(this);
    else if (iid == IID_IOleInPlaceSite)
        *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow)
        *out = static_cast<IOleInPlaceFrame*>(this);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG MyRole::AddRef() {
    return ++references_;
}

ULONG MyRole::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT MyRole::GetNewStorage(IStorage** storage) {
    if (!storage) return E_POINTER;
    return StgCreateDocfile(
        nullptr, STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE | STGM_DELETEONRELEASE, 0, storage);
}

HRESULT MyRole::GetInPlaceContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  OLEINPLACEFRAMEINFO* info) {
    if (frame) {
        *frame = this;
        AddRef();
    }
    if (document) {
        *document = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    DescribeFrame(info, host_);
    return S_OK;
}

HRESULT MyRole::InsertMenus(HMENU, OLEMENUGROUPWIDTHS* widths) {
    if (widths)
        for (LONG& width : widths->width) width = 0;
    return S_OK;
}
