// The OLE callback of a chat view that takes objects: new storages for pasted or inserted
// objects, and the in-place site and frame of the objects activated inside the view.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <richedit.h>
#include <richole.h>

class MyRole : public IRichEditOleCallback, public IOleInPlaceSite, public IOleInPlaceFrame {
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

    // IOleWindow (of the callback, the site and the frame alike)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               RECT* position, RECT* clip,
                                               OLEINPLACEFRAMEINFO* info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, status text or accelerators.
    HRESULT STDMETHODCALLTYPE GetBorder(RECT* border) override;
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, OLEMENUGROUPWIDTHS* widths) override;
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, WORD) override { return E_NOTIMPL; }

private:
    ULONG references_ = 0;
    HWND host_;
    HWND parent_;
};
