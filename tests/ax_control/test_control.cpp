// A small in-process ActiveX control for the host's tests: in-place activation with a window of
// its own, a dispatch interface with a property, an event interface served through a connection
// point, data formats, and persistence to a storage. It counts its objects and the references it
// holds on its container, so a test sees whether the host let everything go.
#include "tests/ax_control/test_control_ids.h"

#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

HMODULE Module = nullptr;
std::atomic<long> LiveObjects{0};
std::atomic<long> HeldSiteReferences{0};

// An interface of the container that the control holds, counted while held.
template <typename T> struct Held {
    T* Pointer = nullptr;
    void Set(T* value) {
        if (value) {
            value->AddRef();
            ++HeldSiteReferences;
        }
        Clear();
        Pointer = value;
    }
    void Clear() {
        if (!Pointer) return;
        Pointer->Release();
        --HeldSiteReferences;
        Pointer = nullptr;
    }
};

// Sinks by cookie (index + 1); a freed slot stays empty.
template <typename T> struct SinkList {
    std::vector<Held<T>> Sinks;
    DWORD Add(T* sink) {
        Sinks.emplace_back();
        Sinks.back().Set(sink);
        return static_cast<DWORD>(Sinks.size());
    }
    HRESULT Remove(DWORD cookie) {
        if (cookie == 0 || cookie > Sinks.size() || !Sinks[cookie - 1].Pointer) return OLE_E_NOCONNECTION;
        Sinks[cookie - 1].Clear();
        return S_OK;
    }
    void Clear() {
        for (auto& sink : Sinks) sink.Clear();
        Sinks.clear();
    }
};

struct Counted {
    Counted() { ++LiveObjects; }
    ~Counted() { --LiveObjects; }
};

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH brush = CreateSolidBrush(RGB(40, 120, 200));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        wchar_t text[200] = {};
        GetWindowTextW(window, text, 200);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class FormatEnum : public IEnumFORMATETC, Counted {
public:
    virtual ~FormatEnum() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = (iid == IID_IUnknown || iid == IID_IEnumFORMATETC) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (!left) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* formats, ULONG* fetched) override {
        ULONG n = 0;
        static const FORMATETC kFormats[] = {{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
                                             {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
                                             {CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI}};
        while (n < count && position_ < 3) formats[n++] = kFormats[position_++];
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        position_ += count;
        return position_ <= 3 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC**) override { return E_NOTIMPL; }

private:
    ULONG references_ = 1;
    ULONG position_ = 0;
};

class TestControl : public IOleObject,
                    public IOleInPlaceObject,
                    public IViewObject2,
                    public IDataObject,
                    public IPersistStorage,
                    public IConnectionPointContainer,
                    public IDispatch,
                    Counted {
public:
    TestControl() : point_(this) {}
    virtual ~TestControl() {
        InPlaceDeactivate();
        site_.Clear();
        viewSink_.Clear();
        oleSinks_.Clear();
        dataSinks_.Clear();
        point_.Sinks.Clear();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject)
            *out = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow)
            *out = static_cast<IOleInPlaceObject*>(this);
        else if (iid == IID_IViewObject || iid == IID_IViewObject2)
            *out = static_cast<IViewObject2*>(this);
        else if (iid == IID_IDataObject)
            *out = static_cast<IDataObject*>(this);
        else if (iid == IID_IPersistStorage || iid == IID_IPersist)
            *out = static_cast<IPersistStorage*>(this);
        else if (iid == IID_IConnectionPointContainer)
            *out = static_cast<IConnectionPointContainer*>(this);
        else if (iid == IID_IDispatch || iid == kTestControlDispatch)
            *out = static_cast<IDispatch*>(this);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (!left) delete this;
        return left;
    }

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        site_.Set(site);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        *site = site_.Pointer;
        if (*site) (*site)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override {
        InPlaceDeactivate();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, MSG*, IOleClientSite* site, LONG, HWND, LPCRECT) override {
        return InPlaceActivate(site ? site : site_.Pointer);
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return OLE_S_USEREG; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override {
        *clsid = kTestControlClsid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override {
        extent_ = *size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
        *size = extent_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override {
        *cookie = oleSinks_.Add(sink);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override { return oleSinks_.Remove(cookie); }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
        *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                  OLEMISC_RECOMPOSEONRESIZE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = window_;
        return window_ ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
        if (inPlaceSite_.Pointer) {
            inPlaceSite_.Pointer->OnInPlaceDeactivate();
            inPlaceSite_.Clear();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override {
        if (window_)
            MoveWindow(window_, position->left, position->top, position->right - position->left,
                       position->bottom - position->top, TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

    // IViewObject2
    HRESULT STDMETHODCALLTYPE Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                   LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        if (!dc || !bounds) return E_INVALIDARG;
        RECT box{bounds->left, bounds->top, bounds->right, bounds->bottom};
        HBRUSH brush = CreateSolidBrush(RGB(40, 120, 200));
        FillRect(dc, &box, brush);
        DeleteObject(brush);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, value_.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink* sink) override {
        viewSink_.Set(sink);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD*, DWORD*, IAdviseSink** sink) override {
        if (sink) {
            *sink = viewSink_.Pointer;
            if (*sink) (*sink)->AddRef();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, LONG, DVTARGETDEVICE*, SIZEL* size) override {
        *size = extent_;
        return S_OK;
    }

    // IDataObject: the value as text, and a picture of the control (what a Rich Edit view shows).
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (format->cfFormat == CF_BITMAP && (format->tymed & TYMED_GDI)) {
            HDC screen = GetDC(nullptr);
            HDC dc = CreateCompatibleDC(screen);
            HBITMAP picture = CreateCompatibleBitmap(screen, 200, 60);
            ReleaseDC(nullptr, screen);
            HGDIOBJ old = SelectObject(dc, picture);
            RECTL bounds{0, 0, 200, 60};
            Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
            SelectObject(dc, old);
            DeleteDC(dc);
            medium->tymed = TYMED_GDI;
            medium->hBitmap = picture;
            medium->pUnkForRelease = nullptr;
            return S_OK;
        }
        if (format->cfFormat != CF_UNICODETEXT || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        const size_t bytes = (value_.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        if (!memory) return E_OUTOFMEMORY;
        memcpy(GlobalLock(memory), value_.c_str(), bytes);
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format->cfFormat == CF_UNICODETEXT || format->cfFormat == CF_BITMAP ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override {
        if (direction != DATADIR_GET) return E_NOTIMPL;
        *formats = new FormatEnum;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink* sink, DWORD* cookie) override {
        *cookie = dataSinks_.Add(sink);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD cookie) override { return dataSinks_.Remove(cookie); }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

    // IPersistStorage: the value in the stream "Contents".
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
        *clsid = kTestControlClsid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InitNew(IStorage*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override {
        IStream* stream = nullptr;
        HRESULT result =
            storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
        if (FAILED(result)) return result;
        wchar_t text[256] = {};
        ULONG read = 0;
        stream->Read(text, sizeof text - sizeof(wchar_t), &read);
        stream->Release();
        value_.assign(text, read / sizeof(wchar_t));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL) override {
        IStream* stream = nullptr;
        HRESULT result = storage->CreateStream(L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE,
                                               0, 0, &stream);
        if (FAILED(result)) return result;
        result = stream->Write(value_.data(), static_cast<ULONG>(value_.size() * sizeof(wchar_t)), nullptr);
        stream->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE HandsOffStorage() override { return S_OK; }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        *point = nullptr;
        if (iid != kTestControlEvents) return CONNECT_E_NOCONNECTION;
        *point = &point_;
        AddRef();
        return S_OK;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1) return DISP_E_UNKNOWNNAME;
        const std::wstring name = names[0];
        ids[0] = name == L"Value"      ? kDispValue
                 : name == L"Fire"     ? kDispFire
                 : name == L"Navigate" ? kDispNavigate
                                       : 0;
        return ids[0] ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        switch (id) {
            case kDispValue:
                if (flags & DISPATCH_PROPERTYPUT) {
                    if (!params || params->cArgs < 1) return DISP_E_BADPARAMCOUNT;
                    VARIANT text;
                    VariantInit(&text);
                    if (FAILED(VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR)))
                        return DISP_E_TYPEMISMATCH;
                    value_ = text.bstrVal ? text.bstrVal : L"";
                    VariantClear(&text);
                    if (window_) SetWindowTextW(window_, value_.c_str());
                    return S_OK;
                }
                if (result) {
                    result->vt = VT_BSTR;
                    result->bstrVal = SysAllocString(value_.c_str());
                }
                return S_OK;
            case kDispFire: FireFired(); return S_OK;
            case kDispNavigate: {
                if (!params || params->cArgs < 1 || params->cArgs > 2) return DISP_E_BADPARAMCOUNT;
                const VARIANT& address = params->rgvarg[params->cArgs - 1];
                const VARIANT* frame = params->cArgs == 2 ? &params->rgvarg[0] : nullptr;
                if (address.vt != VT_BSTR || (frame && frame->vt != VT_BSTR)) return DISP_E_TYPEMISMATCH;
                const VARIANT_BOOL cancel =
                    FireBeforeNavigate(address.bstrVal, frame ? frame->bstrVal : nullptr);
                if (result) {
                    result->vt = VT_BOOL;
                    result->boolVal = cancel;
                }
                return S_OK;
            }
            default: return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    struct EventPoint : IConnectionPoint {
        explicit EventPoint(TestControl* owner) : Owner(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            *out = (iid == IID_IUnknown || iid == IID_IConnectionPoint) ? this : nullptr;
            if (!*out) return E_NOINTERFACE;
            AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return Owner->AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return Owner->Release(); }
        HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
            *iid = kTestControlEvents;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE
        GetConnectionPointContainer(IConnectionPointContainer** container) override {
            *container = Owner;
            Owner->AddRef();
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
            IDispatch* events = nullptr;
            if (!sink || FAILED(sink->QueryInterface(kTestControlEvents, reinterpret_cast<void**>(&events))))
                return CONNECT_E_CANNOTCONNECT;
            *cookie = Sinks.Add(events);
            events->Release();
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override { return Sinks.Remove(cookie); }
        HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
        TestControl* Owner;
        SinkList<IDispatch> Sinks;
    };

    HRESULT InPlaceActivate(IOleClientSite* site) {
        if (window_) return S_OK;
        IOleInPlaceSite* inPlace = nullptr;
        if (!site || FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))))
            return S_OK; // shown only through its view
        if (inPlace->CanInPlaceActivate() != S_OK) {
            inPlace->Release();
            return E_FAIL;
        }
        inPlace->OnInPlaceActivate();
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO info{sizeof info};
        inPlace->GetWindowContext(&frame, &document, &position, &clip, &info);
        if (frame) frame->Release();
        if (document) document->Release();
        HWND parent = nullptr;
        inPlace->GetWindow(&parent);
        window_ = CreateWindowExW(0, kTestControlWindowClass, value_.c_str(), WS_CHILD | WS_VISIBLE,
                                  position.left, position.top, position.right - position.left,
                                  position.bottom - position.top, parent, nullptr, Module, nullptr);
        inPlaceSite_.Set(inPlace);
        inPlace->Release();
        return window_ ? S_OK : E_FAIL;
    }

    // Each sink is called on a copy of the list: a handler may disconnect.
    void Raise(DISPID id, DISPPARAMS& params) {
        std::vector<IDispatch*> sinks;
        for (auto& sink : point_.Sinks.Sinks)
            if (sink.Pointer) {
                sink.Pointer->AddRef();
                sinks.push_back(sink.Pointer);
            }
        AddRef();
        for (IDispatch* sink : sinks) {
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                         nullptr);
            sink->Release();
        }
        Release();
    }

    void FireFired() {
        VARIANT argument;
        argument.vt = VT_BSTR;
        argument.bstrVal = SysAllocString(value_.c_str());
        DISPPARAMS params{&argument, nullptr, 1, 0};
        Raise(kEventFired, params);
        SysFreeString(argument.bstrVal);
    }

    VARIANT_BOOL FireBeforeNavigate(BSTR address, BSTR frame) {
        VARIANT url, flags, target, post, headers;
        url.vt = VT_BSTR;
        url.bstrVal = address;
        flags.vt = VT_I4;
        flags.lVal = 0;
        target.vt = VT_BSTR;
        target.bstrVal = frame;
        post.vt = VT_EMPTY;
        headers.vt = VT_BSTR;
        headers.bstrVal = nullptr;
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT arguments[7];
        for (VARIANT& argument : arguments) VariantInit(&argument);
        arguments[6].vt = VT_DISPATCH;
        arguments[6].pdispVal = static_cast<IDispatch*>(this);
        VARIANT* byReference[] = {&headers, &post, &target, &flags, &url};
        for (int i = 0; i < 5; ++i) {
            arguments[i + 1].vt = VT_BYREF | VT_VARIANT;
            arguments[i + 1].pvarVal = byReference[i];
        }
        arguments[0].vt = VT_BYREF | VT_BOOL;
        arguments[0].pboolVal = &cancel;
        DISPPARAMS params{arguments, nullptr, 7, 0};
        Raise(kEventBeforeNavigate2, params);
        return cancel;
    }

    ULONG references_ = 0;
    Held<IOleClientSite> site_;
    Held<IOleInPlaceSite> inPlaceSite_;
    Held<IAdviseSink> viewSink_;
    SinkList<IAdviseSink> oleSinks_;
    SinkList<IAdviseSink> dataSinks_;
    EventPoint point_;
    HWND window_ = nullptr;
    std::wstring value_ = L"Test control";
    SIZEL extent_{5000, 2000};
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = (iid == IID_IUnknown || iid == IID_IClassFactory) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* control = new TestControl;
        control->AddRef();
        const HRESULT result = control->QueryInterface(iid, out);
        control->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory TheFactory;

bool SetKey(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kTestControlClsidText;
const std::wstring kProgIdKey = L"Brindlex.TestControl";

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        Module = instance;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ControlWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kTestControlWindowClass;
        RegisterClassW(&windowClass);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (clsid != kTestControlClsid) return CLASS_E_CLASSNOTAVAILABLE;
    return TheFactory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() {
    return S_FALSE; // the counters stay readable for the whole test
}

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(Module, path, MAX_PATH);
    const bool written = SetKey(kClassKey, nullptr, L"Brindlex Test Control") &&
                         SetKey(kClassKey + L"\\InprocServer32", nullptr, path) &&
                         SetKey(kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
                         SetKey(kClassKey + L"\\Control", nullptr, L"") &&
                         SetKey(kClassKey + L"\\ProgID", nullptr, L"Brindlex.TestControl") &&
                         SetKey(kProgIdKey + L"\\CLSID", nullptr, kTestControlClsidText);
    return written ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgIdKey.c_str());
    return S_OK;
}

extern "C" long TestControlLiveObjects() {
    return LiveObjects.load();
}

extern "C" long TestControlHeldSiteReferences() {
    return HeldSiteReferences.load();
}
