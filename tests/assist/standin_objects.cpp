// The stand-in's smaller objects: events, collections, properties, attendees, invitations and
// the application filter.
#include "tests/assist/standin_objects.h"

#include "tests/assist/standin_state.h"

#include <olectl.h>

BSTR CopyBstr(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

HRESULT STDMETHODCALLTYPE EventSource::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPointContainer)
        *out = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IConnectionPoint)
        *out = static_cast<IConnectionPoint*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE EventSource::Release() {
    const ULONG left = --references_;
    if (left) return left;
    for (auto& sink : sinks_) sink.second->Release();
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE EventSource::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != __uuidof(_IRDPSessionEvents)) return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSource::GetConnectionInterface(IID* iid) {
    *iid = __uuidof(_IRDPSessionEvents);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSource::GetConnectionPointContainer(IConnectionPointContainer** container) {
    *container = this;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSource::Advise(IUnknown* sink, DWORD* cookie) {
    IDispatch* dispatch = nullptr;
    if (!sink || !cookie ||
        FAILED(sink->QueryInterface(__uuidof(_IRDPSessionEvents), reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard<std::recursive_mutex> lock(StandIn()->Lock);
    *cookie = nextCookie_++;
    sinks_[*cookie] = dispatch;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSource::Unadvise(DWORD cookie) {
    IDispatch* sink = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(StandIn()->Lock);
        auto it = sinks_.find(cookie);
        if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
        sink = it->second;
        sinks_.erase(it);
    }
    sink->Release();
    return S_OK;
}

void EventSource::Fire(DISPID id, std::vector<VARIANT> arguments) {
    std::vector<Held<IDispatch>> sinks;
    {
        std::lock_guard<std::recursive_mutex> lock(StandIn()->Lock);
        for (auto& sink : sinks_) sinks.emplace_back(sink.second);
    }
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    for (auto& sink : sinks)
        sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    for (VARIANT& argument : arguments) VariantClear(&argument);
}

ObjectEnum::ObjectEnum(std::vector<IDispatch*> items) : items_(std::move(items)) {
    for (IDispatch* item : items_) item->AddRef();
}

ObjectEnum::~ObjectEnum() {
    for (IDispatch* item : items_) item->Release();
}

HRESULT STDMETHODCALLTYPE ObjectEnum::QueryInterface(REFIID iid, void** out) {
    if (iid != IID_IUnknown && iid != IID_IEnumVARIANT) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE ObjectEnum::Release() {
    const ULONG left = --references_;
    if (!left) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE ObjectEnum::Next(ULONG count, VARIANT* items, ULONG* fetched) {
    ULONG given = 0;
    for (; given < count && next_ < items_.size(); ++given, ++next_) {
        VariantInit(&items[given]);
        V_VT(&items[given]) = VT_DISPATCH;
        V_DISPATCH(&items[given]) = items_[next_];
        items_[next_]->AddRef();
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE ObjectEnum::Skip(ULONG count) {
    next_ += count;
    return next_ <= items_.size() ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE ObjectEnum::Reset() {
    next_ = 0;
    return S_OK;
}

StandInProperties::~StandInProperties() {
    for (auto& value : values_) VariantClear(&value.second);
}

HRESULT STDMETHODCALLTYPE StandInProperties::get_Property(BSTR name, VARIANT* value) {
    VariantInit(value);
    return Read(name ? name : L"", *value) ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE StandInProperties::put_Property(BSTR name, VARIANT value) {
    std::lock_guard<std::recursive_mutex> lock(StandIn()->Lock);
    VARIANT& kept = values_[name ? name : L""];
    VariantClear(&kept);
    return VariantCopy(&kept, &value);
}

bool StandInProperties::Read(const std::wstring& name, VARIANT& value) const {
    std::lock_guard<std::recursive_mutex> lock(StandIn()->Lock);
    auto it = values_.find(name);
    return it != values_.end() && SUCCEEDED(VariantCopy(&value, &it->second));
}

HRESULT STDMETHODCALLTYPE StandInTcpInfo::get_Protocol(LONG* protocol) {
    *protocol = 0;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInTcpInfo::get_LocalPort(LONG* port) {
    *port = 3389;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInTcpInfo::get_LocalIP(BSTR* address) {
    *address = CopyBstr(L"127.0.0.1");
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInTcpInfo::get_PeerPort(LONG* port) {
    *port = 7017;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInTcpInfo::get_PeerIP(BSTR* address) {
    *address = CopyBstr(L"127.0.0.1");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInAttendee::get_Id(LONG* id) {
    *id = id_;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInAttendee::get_RemoteName(BSTR* name) {
    *name = CopyBstr(name_);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInAttendee::get_ControlLevel(CTRL_LEVEL* level) {
    *level = Level;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInAttendee::put_ControlLevel(CTRL_LEVEL level) {
    Level = level;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInAttendee::get_Flags(LONG* flags) {
    *flags = 0;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInAttendee::get_ConnectivityInfo(IUnknown** info) {
    *info = static_cast<IRDPSRAPITcpConnectionInfo*>(new StandInTcpInfo);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInDisconnectInfo::get_Attendee(IRDPSRAPIAttendee** attendee) {
    *attendee = attendee_.get();
    (*attendee)->AddRef();
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInDisconnectInfo::get_Reason(ATTENDEE_DISCONNECT_REASON* reason) {
    *reason = ATTENDEE_DISCONNECT_REASON_APP;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInDisconnectInfo::get_Code(LONG* code) {
    *code = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInInvitation::get_ConnectionString(BSTR* value) {
    *value = CopyBstr(connection_);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInInvitation::get_GroupName(BSTR* value) {
    *value = CopyBstr(group_);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInInvitation::get_Password(BSTR* value) {
    *value = CopyBstr(password_);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInInvitation::get_AttendeeLimit(LONG* value) {
    *value = limit_;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInInvitation::put_AttendeeLimit(LONG value) {
    limit_ = value;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInInvitation::get_Revoked(VARIANT_BOOL* value) {
    *value = revoked_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInInvitation::put_Revoked(VARIANT_BOOL value) {
    revoked_ = value != VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInWindow::get_Id(LONG* id) {
    *id = id_;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInWindow::get_Shared(VARIANT_BOOL* shared) {
    *shared = Shared ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInWindow::put_Shared(VARIANT_BOOL shared) {
    Shared = shared != VARIANT_FALSE;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInWindow::get_Flags(ULONG* flags) {
    *flags = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInWindowList::get__NewEnum(IUnknown** items) {
    *items = new ObjectEnum(std::vector<IDispatch*>(windows_.begin(), windows_.end()));
    return S_OK;
}

StandInApplication::StandInApplication(DWORD processId, int windowCount) : processId_(processId) {
    for (int i = 0; i < windowCount; ++i)
        windows_.push_back(new StandInWindow(static_cast<LONG>(processId * 10 + i)));
}
StandInApplication::~StandInApplication() {
    for (StandInWindow* window : windows_) window->Release();
}
HRESULT STDMETHODCALLTYPE StandInApplication::get_Windows(IRDPSRAPIWindowList** windows) {
    *windows = new StandInWindowList(windows_);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInApplication::get_Id(LONG* id) {
    *id = static_cast<LONG>(processId_);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInApplication::get_Shared(VARIANT_BOOL* shared) {
    *shared = shared_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInApplication::put_Shared(VARIANT_BOOL shared) {
    shared_ = shared != VARIANT_FALSE;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInApplication::get_Flags(ULONG* flags) {
    *flags = 0;
    return S_OK;
}
StandInApplicationState StandInApplication::State() const {
    StandInApplicationState state{processId_, shared_, {}};
    for (StandInWindow* window : windows_) state.WindowsShared.push_back(window->Shared);
    return state;
}

HRESULT STDMETHODCALLTYPE StandInApplicationList::get__NewEnum(IUnknown** items) {
    *items = new ObjectEnum(std::vector<IDispatch*>(applications_.begin(), applications_.end()));
    return S_OK;
}

// This process and one other, each with two windows.
StandInFilter::StandInFilter()
    : applications_{new StandInApplication(GetCurrentProcessId(), 2), new StandInApplication(4, 2)} {}
StandInFilter::~StandInFilter() {
    for (StandInApplication* application : applications_) application->Release();
}
HRESULT STDMETHODCALLTYPE StandInFilter::get_Applications(IRDPSRAPIApplicationList** applications) {
    *applications = new StandInApplicationList(applications_);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInFilter::get_Enabled(VARIANT_BOOL* enabled) {
    *enabled = Enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInFilter::put_Enabled(VARIANT_BOOL enabled) {
    Enabled = enabled != VARIANT_FALSE;
    return S_OK;
}
std::vector<StandInApplicationState> StandInFilter::States() const {
    std::vector<StandInApplicationState> states;
    for (StandInApplication* application : applications_) states.push_back(application->State());
    return states;
}
