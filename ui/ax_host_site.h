// The container object of one "AX" window: client site, in-place site and frame, advise sink,
// service provider and event sink of the hosted control.
#pragma once

#include "common/event_sink_dispatch.h"
#include "common/ole_site_helpers.h"
#include "ui/ax_host.h"

#include <servprov.h>

#include <cstdint>

class AxHostSite : public IOleClientSite,
                   public IServiceProvider,
                   public EventSinkDispatch,
                   public IAdviseSink,
                   public HostWindowInPlaceSite {
public:
    AxHostSite(HWND host, HWND parent);
    virtual ~AxHostSite();
    AxHostSite(const AxHostSite&) = delete;
    AxHostSite& operator=(const AxHostSite&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    // The site outlives its window while the control still holds it: the last release after the
    // window closed frees it.
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override;
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return S_OK; }

    // IServiceProvider
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

    // IDispatch: the event sink.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IAdviseSink: nothing to do.
    void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override {}
    void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override {}
    void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
    void STDMETHODCALLTYPE OnSave() override {}
    void STDMETHODCALLTYPE OnClose() override {}

    // IOleWindow (of both the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no menu merging, status text or accelerators.
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, WORD) override { return E_NOTIMPL; }

    // The host's operations (the window procedure's messages).
    // Creates the control of the CLSID, or hosts the given object; false when there is none.
    bool CreateControl(const CLSID& clsid, IUnknown* existing);
    LRESULT Activate(bool activate, bool hideInPlaceInterfaces);
    HRESULT QueryControl(REFIID iid, void** out);
    void ConnectEvents(REFIID iid, AxEventConnection* connection);
    void DisconnectEvents();
    LRESULT DataAdvise(WPARAM index, DWORD direction);
    void SetServiceProvider(IServiceProvider* provider);
    void Resize();
    // The window is going: deactivates and lets go of the control. Events after it are dropped.
    void Close();

    HWND Host() const { return host_; }
    HWND CommandWindow = nullptr;
    HWND NotifyWindow = nullptr;
    UINT NotifyMessage = 0;
    AxEventCallback EventCallback = nullptr;
    AxNavigationCallback NavigationCallback = nullptr;
    CLSID Clsid{};

private:
    HRESULT DeliverNavigation(DISPPARAMS* params);
    void ReleaseControl();

    ULONG references_ = 0;
    bool active_ = false;
    bool inPlaceInterfacesOff_ = false;
    bool inPlace_ = false;
    bool closed_ = false;
    GUID eventInterface_{};
    IOleObject* object_ = nullptr;
    IStorage* storage_ = nullptr;
    IViewObject* view_ = nullptr;
    IDataObject* data_ = nullptr;
    IOleInPlaceActiveObject* activeObject_ = nullptr;
    IServiceProvider* services_ = nullptr;
    AxEventConnection connection_{};
    DWORD adviseCookie_ = 0;
    DWORD dataCookies_[kAxDataAdviseSlots] = {};
};
