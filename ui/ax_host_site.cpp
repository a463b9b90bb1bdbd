#include "ui/ax_host_site.h"

#include "common/ole_site_helpers.h"

#include <cstring>
#include <string>

namespace {

// DWebBrowserEvents2::BeforeNavigate2 and its argument count.
constexpr DISPID kBeforeNavigate2 = 250;
constexpr UINT kBeforeNavigate2Arguments = 7;
constexpr int kAddressBytes = 1000;

template <typename T> void ReleaseInterface(T*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

void DeactivateInPlace(IOleObject* object) {
    IOleInPlaceObject* inPlace = nullptr;
    if (object &&
        SUCCEEDED(object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) &&
        inPlace) {
        inPlace->UIDeactivate();
        inPlace->InPlaceDeactivate();
        inPlace->Release();
    }
}

// The address as ANSI text of at most kAddressBytes - 1 bytes.
std::string AnsiAddress(const wchar_t* text) {
    std::string out;
    const int length = text ? static_cast<int>(wcslen(text)) : 0;
    if (length == 0) return out;
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return out;
    out.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), size, nullptr, nullptr);
    if (out.size() > kAddressBytes - 1) out.resize(kAddressBytes - 1);
    return out;
}

} // namespace

AxHostSite::AxHostSite(HWND host, HWND parent) : HostWindowInPlaceSite(host, parent) {}

AxHostSite::~AxHostSite() {
    Close();
}

HRESULT AxHostSite::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IServiceProvider)
        *out = static_cast<IServiceProvider*>(this);
    else if (iid == IID_IDispatch || (iid == eventInterface_ && iid != GUID_NULL))
        *out = static_cast<IDispatch*>(this);
    else if (iid == IID_IAdviseSink)
        *out = static_cast<IAdviseSink*>(this);
    else if (!inPlaceInterfacesOff_ && iid == IID_IOleInPlaceSite)
        *out = static_cast<IOleInPlaceSite*>(this);
    else if (!inPlaceInterfacesOff_ && (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow))
        *out = static_cast<IOleInPlaceFrame*>(this);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG AxHostSite::AddRef() {
    return ++references_;
}

ULONG AxHostSite::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT AxHostSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT AxHostSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_FAIL;
}

HRESULT AxHostSite::OnShowWindow(BOOL) {
    InvalidateRect(host_, nullptr, TRUE);
    InvalidateRect(parent_, nullptr, TRUE);
    return S_OK;
}

HRESULT AxHostSite::QueryService(REFGUID service, REFIID iid, void** out) {
    if (services_) return services_->QueryService(service, iid, out);
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT AxHostSite::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    // An event may close the window that hosts the control; the site stays until the call ends.
    AddRef();
    HRESULT answer = S_OK;
    if (!closed_) {
        AxEvent event{this, id, iid, locale, flags, params, result, exception, argumentError};
        if (NotifyWindow) SendMessageW(NotifyWindow, NotifyMessage, 0, reinterpret_cast<LPARAM>(&event));
        if (closed_) {
        } else if (EventCallback) {
            EventCallback(&event);
        } else if (NavigationCallback && id == kBeforeNavigate2 && params &&
                   params->cArgs == kBeforeNavigate2Arguments) {
            answer = DeliverNavigation(params);
        }
    }
    Release();
    return answer;
}

HRESULT AxHostSite::DeliverNavigation(DISPPARAMS* params) {
    // The address is the second argument (the arguments arrive last first); the frame name and
    // the headers, also texts, are never taken for it.
    const VARIANT& url = params->rgvarg[params->cArgs - 2];
    const wchar_t* text = nullptr;
    if (url.vt == (VT_BYREF | VT_VARIANT) && url.pvarVal && url.pvarVal->vt == VT_BSTR)
        text = url.pvarVal->bstrVal;
    else if (url.vt == VT_BSTR)
        text = url.bstrVal;
    const std::string address = AnsiAddress(text);
    if (address.compare(0, 4, "app:") != 0) return S_OK;
    for (UINT i = 0; i < params->cArgs; ++i) {
        VARIANT& argument = params->rgvarg[i];
        if (argument.vt == (VT_BYREF | VT_BOOL) && argument.pboolVal) {
            *argument.pboolVal = VARIANT_TRUE;
            break;
        }
    }
    return NavigationCallback(address.c_str(), this);
}

HRESULT AxHostSite::CanInPlaceActivate() {
    if (!active_) return S_FALSE;
    inPlace_ = true;
    return S_OK;
}

HRESULT AxHostSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    if (object) object->AddRef();
    ReleaseInterface(activeObject_);
    activeObject_ = object;
    return S_OK;
}

bool AxHostSite::CreateControl(const CLSID& clsid, IUnknown* existing) {
    Clsid = clsid;
    StgCreateDocfile(nullptr, STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE | STGM_DELETEONRELEASE, 0,
                     &storage_);
    void* object = nullptr;
    if (existing) {
        existing->QueryInterface(IID_IOleObject, &object);
    } else {
        IOleClientSite* site = this;
        if (FAILED(OleCreate(clsid, IID_IOleObject, OLERENDER_DRAW, nullptr, site, storage_, &object))) {
            object = nullptr;
            if (FAILED(OleCreate(clsid, IID_IOleObject, OLERENDER_NONE, nullptr, site, storage_, &object)))
                object = nullptr;
        }
    }
    object_ = static_cast<IOleObject*>(object);
    if (!object_) {
        ReleaseControl();
        return false;
    }
    object_->SetClientSite(this);
    OleSetContainedObject(object_, TRUE);
    object_->Advise(static_cast<IAdviseSink*>(this), &adviseCookie_);
    object_->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view_));
    object_->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data_));
    if (view_) view_->SetAdvise(DVASPECT_CONTENT, 0, static_cast<IAdviseSink*>(this));
    return true;
}

LRESULT AxHostSite::Activate(bool activate, bool hideInPlaceInterfaces) {
    if (!object_ || activate == active_) return 0;
    if (activate) {
        active_ = true;
        inPlaceInterfacesOff_ = hideInPlaceInterfaces;
        RECT client{};
        GetClientRect(host_, &client);
        if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, host_, &client))) {
            active_ = false;
            inPlace_ = false;
            return 0;
        }
    } else {
        DeactivateInPlace(object_);
        active_ = false;
        inPlace_ = false;
    }
    InvalidateRect(host_, nullptr, TRUE);
    return 1;
}

HRESULT AxHostSite::QueryControl(REFIID iid, void** out) {
    if (!object_) return E_NOINTERFACE;
    return object_->QueryInterface(iid, out);
}

void AxHostSite::ConnectEvents(REFIID iid, AxEventConnection* connection) {
    DisconnectEvents();
    IUnknown* sink = connection->Sink;
    if (!sink) {
        eventInterface_ = connection->Interface != GUID_NULL ? connection->Interface : iid;
        sink = static_cast<IOleClientSite*>(this);
    }
    connection->Cookie = AxConnectEvents(object_, iid, sink, &connection->Container, &connection->Point);
    if (connection->Cookie) connection_ = *connection;
}

void AxHostSite::DisconnectEvents() {
    AxDisconnectEvents(connection_.Container, connection_.Point, connection_.Cookie);
    connection_ = AxEventConnection{};
}

LRESULT AxHostSite::DataAdvise(WPARAM index, DWORD direction) {
    if (!data_) return 0;
    IEnumFORMATETC* formats = nullptr;
    if (FAILED(data_->EnumFormatEtc(direction, &formats)) || !formats) return 0;
    LRESULT result = 0;
    FORMATETC format{};
    ULONG fetched = 0;
    if (index == static_cast<WPARAM>(-1)) {
        while (formats->Next(1, &format, &fetched) == S_OK && fetched == 1) {
            if (format.ptd) CoTaskMemFree(format.ptd);
            ++result;
        }
    } else if (index < kAxDataAdviseSlots &&
               (index == 0 || formats->Skip(static_cast<ULONG>(index)) == S_OK) &&
               formats->Next(1, &format, &fetched) == S_OK && fetched == 1) {
        DWORD& cookie = dataCookies_[index];
        if (cookie) data_->DUnadvise(cookie);
        cookie = 0;
        data_->DAdvise(&format, 0, static_cast<IAdviseSink*>(this), &cookie);
        if (format.ptd) CoTaskMemFree(format.ptd);
        result = 1;
    }
    formats->Release();
    return result;
}

void AxHostSite::SetServiceProvider(IServiceProvider* provider) {
    if (provider) provider->AddRef();
    ReleaseInterface(services_);
    services_ = provider;
}

void AxHostSite::Resize() {
    IOleInPlaceObject* inPlace = nullptr;
    if (!object_ ||
        FAILED(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) ||
        !inPlace)
        return;
    RECT client{};
    GetClientRect(host_, &client);
    inPlace->SetObjectRects(&client, &client);
    inPlace->Release();
}

void AxHostSite::Close() {
    if (closed_) return;
    closed_ = true;
    if (object_) {
        if (active_ || inPlace_) DeactivateInPlace(object_);
        active_ = false;
        inPlace_ = false;
    }
    DisconnectEvents();
    if (object_ && adviseCookie_) object_->Unadvise(adviseCookie_);
    adviseCookie_ = 0;
    for (DWORD& cookie : dataCookies_) {
        if (cookie && data_) data_->DUnadvise(cookie);
        cookie = 0;
    }
    if (view_) view_->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    ReleaseControl();
}

void AxHostSite::ReleaseControl() {
    ReleaseInterface(activeObject_);
    ReleaseInterface(services_);
    ReleaseInterface(data_);
    ReleaseInterface(view_);
    ReleaseInterface(storage_);
    ReleaseInterface(object_);
}

DWORD AxConnectEvents(IUnknown* control, REFIID eventInterface, IUnknown* sink,
                      IConnectionPointContainer** container, IConnectionPoint** point) {
    if (container) *container = nullptr;
    if (point) *point = nullptr;
    if (!control || !sink || !container || !point) return 0;
    IConnectionPointContainer* points = nullptr;
    if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points))) ||
        !points)
        return 0;
    IConnectionPoint* found = nullptr;
    DWORD cookie = 0;
    if (FAILED(points->FindConnectionPoint(eventInterface, &found)) || !found ||
        FAILED(found->Advise(sink, &cookie)) || cookie == 0) {
        ReleaseInterface(found);
        points->Release();
        return 0;
    }
    *container = points;
    *point = found;
    return cookie;
}

void AxDisconnectEvents(IConnectionPointContainer* container, IConnectionPoint* point, DWORD cookie) {
    if (point) {
        if (cookie) point->Unadvise(cookie);
        point->Release();
    }
    if (container) container->Release();
}
