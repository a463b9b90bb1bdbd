// The OLE callback of a chat view that takes objects: new storages for pasted or inserted
// objects, and the in-place site and frame of the objects activated inside the view.
#pragma once

#include "common/ole_site_helpers.h"

#include <windows.h>
#include <ole2.h>
#include <richedit.h>
#include <richole.h>

class MyRole : public IRichEditOleCallback, public HostWindowInPlaceSite {
public:
    explicit MyRole(HWND richEdit);
    virtual ~MyRole() = default;
    MyRole(const MyRole&) = delete;
    MyRole& operator=(const MyRole&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override; // frees the object at 0

    // IRichEditOleCallback
    HRESULT STDMETHODCALLTYPE GetNewStorage(IStorage** storage) override;
    HRESULT STDMETHODCALLTYPE GetInPlaceContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                OLEINPLACEFRAMEINFO* info) override;
    HRESULT STDMETHODCALLTYPE ShowContainerUI(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE QueryInsertObject(CLSID*, IStorage*, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteObject(IOleObject*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE QueryAcceptData(IDataObject*, CLIPFORMAT*, DWORD, BOOL, HGLOBAL) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClipboardData(CHARRANGE*, DWORD, IDataObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDragDropEffect(BOOL, DWORD, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetContextMenu(WORD, IOleObject*, CHARRANGE*, HMENU*) override {
        return E_NOTIMPL;
    }

    // IOleWindow (the window is the host's, see HostWindowInPlaceSite)
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, status text or accelerators.
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, OLEMENUGROUPWIDTHS* widths) override;
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, WORD) override { return E_NOTIMPL; }

private:
    ULONG references_ = 0;
};
