#include "assist/sharing_object.h"

#include "assist/com_helpers.h"
#include "common/xstring.h"

namespace {

// The same COM object, compared by identity.
bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) return false;
    IUnknown* identityA = nullptr;
    IUnknown* identityB = nullptr;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identityA));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identityB));
    const bool same = identityA && identityA == identityB;
    ReleaseAndClear(identityA);
    ReleaseAndClear(identityB);
    return same;
}

// An object parameter of an event (one reference added), or null.
IDispatch* ObjectArgument(DISPPARAMS* params, UINT position) {
    VARIANT value;
    VariantInit(&value);
    UINT error = 0;
    if (FAILED(DispGetParam(params, position, VT_DISPATCH, &value, &error))) return nullptr;
    return V_DISPATCH(&value); // null when the argument was none
}

bool IntegerArgument(DISPPARAMS* params, UINT position, LONG& out) {
    VARIANT value;
    VariantInit(&value);
    UINT error = 0;
    if (FAILED(DispGetParam(params, position, VT_I4, &value, &error))) return false;
    out = V_I4(&value);
    return true;
}

// The data argument as the bytes it holds, read in place.
bool BytesArgument(DISPPARAMS* params, UINT position, const uint8_t*& bytes, uint32_t& length) {
    if (!params || params->cNamedArgs || position >= params->cArgs) return false;
    VARIANT* value = &params->rgvarg[params->cArgs - 1 - position];
    BSTR data = nullptr;
    if (V_VT(value) == VT_BSTR)
        data = V_BSTR(value);
    else if (V_VT(value) == (VT_BSTR | VT_BYREF) && V_BSTRREF(value))
        data = *V_BSTRREF(value);
    else
        return false;
    bytes = reinterpret_cast<const uint8_t*>(data);
    length = data ? SysStringByteLen(data) : 0;
    return true;
}

} // namespace

std::unique_ptr<SharingObject> SharingObject::CreateSharer() {
    std::unique_ptr<SharingObject> object(new SharingObject(1));
    CoCreateInstance(__uuidof(RDPSession), nullptr, CLSCTX_ALL, __uuidof(IRDPSRAPISharingSession),
                     reinterpret_cast<void**>(&object->session_));
    if (object->session_) object->SetNotifyWindow(nullptr, 0, true);
    return object;
}

std::unique_ptr<SharingObject> SharingObject::CreateViewer(IUnknown* existing) {
    std::unique_ptr<SharingObject> object(new SharingObject(0));
    if (existing)
        existing->QueryInterface(__uuidof(IRDPSRAPIViewer), reinterpret_cast<void**>(&object->viewer_));
    else
        CoCreateInstance(__uuidof(RDPViewer), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IRDPSRAPIViewer),
                         reinterpret_cast<void**>(&object->viewer_));
    if (object->viewer_) object->SetNotifyWindow(nullptr, 0, true);
    return object;
}

SharingObject::~SharingObject() {
    StopWaitingSenders();
    notifyWindow_ = nullptr;
    notifyMessage_ = 0;
    DisconnectSink();
    if (session_) session_->Close();
    if (viewer_) viewer_->Disconnect();
    ReleaseAndClear(session_);
    ReleaseAndClear(viewer_);
    for (auto& invitation : invitations_) ReleaseAndClear(invitation->Invitation);
    for (auto& attendee : attendees_) ReleaseAndClear(attendee->Attendee);
    for (auto& channel : channels_) ReleaseAndClear(channel->Channel);
}

IUnknown* SharingObject::GetInterface() {
    if (session_) return session_;
    return viewer_;
}

void SharingObject::ConnectSink() {
    IUnknown* target = GetInterface();
    if (!target || point_) return;
    if (FAILED(target->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container_))))
        return;
    if (SUCCEEDED(container_->FindConnectionPoint(__uuidof(_IRDPSessionEvents), &point_)) && point_ &&
        SUCCEEDED(point_->Advise(&sink_, &cookie_)))
        return;
    ReleaseAndClear(point_);
    ReleaseAndClear(container_);
    cookie_ = 0;
}

void SharingObject::DisconnectSink() {
    if (point_) point_->Unadvise(cookie_);
    ReleaseAndClear(point_);
    ReleaseAndClear(container_);
    cookie_ = 0;
}

void SharingObject::SetEventCallback(SharingEventCallback callback, void* context, bool connect) {
    eventCallback_ = callback;
    eventContext_ = context;
    if (connect)
        ConnectSink();
    else
        DisconnectSink();
}

void SharingObject::SetNotifyWindow(HWND window, UINT message, bool connect) {
    notifyWindow_ = window;
    notifyMessage_ = message;
    if (connect)
        ConnectSink();
    else
        DisconnectSink();
}

void SharingObject::SetChannelDataCallback(ChannelDataCallback callback, void* context) {
    channelDataCallback_ = callback;
    channelDataContext_ = context;
}

HRESULT SharingObject::DeliverEvent(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                    VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (eventCallback_) {
        const HRESULT handled =
            eventCallback_(id, iid, locale, flags, params, result, exception, argumentError, eventContext_);
        if (handled != 0) return handled;
    }
    if (notifyWindow_ && notifyMessage_ &&
        SendMessageW(notifyWindow_, notifyMessage_, static_cast<WPARAM>(id),
                     reinterpret_cast<LPARAM>(params)) == 1)
        return S_OK;
    OnEvent(id, params);
    if (notifyWindow_ && notifyMessage_)
        SendMessageW(notifyWindow_, notifyMessage_, static_cast<WPARAM>(id), 0);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SharingEventSink::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(_IRDPSessionEvents)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE SharingEventSink::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                                   UINT* argumentError) {
    try {
        return owner_->DeliverEvent(id, iid, locale, flags, params, result, exception, argumentError);
    } catch (...) {
        return E_FAIL;
    }
}

void SharingObject::OnEvent(DISPID id, DISPPARAMS* params) {
    switch (id) {
        case kColorDepthChangeEvent: HandleColorDepthChange(params); break;
        case DISPID_RDPSRAPI_EVENT_ON_ATTENDEE_CONNECTED:
            if (IDispatch* attendee = ObjectArgument(params, 0)) {
                AddAttendee(attendee);
                attendee->Release();
            }
            break;
        case DISPID_RDPSRAPI_EVENT_ON_ATTENDEE_DISCONNECTED:
            if (IDispatch* info = ObjectArgument(params, 0)) {
                IRDPSRAPIAttendeeDisconnectInfo* disconnect = nullptr;
                IRDPSRAPIAttendee* attendee = nullptr;
                if (SUCCEEDED(info->QueryInterface(__uuidof(IRDPSRAPIAttendeeDisconnectInfo),
                                                   reinterpret_cast<void**>(&disconnect))) &&
                    SUCCEEDED(disconnect->get_Attendee(&attendee)) && attendee)
                    RemoveAttendee(attendee);
                ReleaseAndClear(attendee);
                ReleaseAndClear(disconnect);
                info->Release();
            }
            break;
        // A request for control is granted only by a session handler that asked the user
        // (GrantControl); left here, the attendee keeps what it has.
        case DISPID_RDPSRAPI_EVENT_ON_CTRLLEVEL_CHANGE_REQUEST: break;
        case DISPID_RDPSRAPI_EVENT_ON_VIRTUAL_CHANNEL_DATARECEIVED: {
            const uint8_t* bytes = nullptr;
            uint32_t length = 0;
            LONG attendeeId = 0;
            IDispatch* channel = ObjectArgument(params, 0);
            if (channel && IntegerArgument(params, 1, attendeeId) && BytesArgument(params, 2, bytes, length))
                DeliverChannelData(FindChannelByInterface(channel), FindAttendeeById(attendeeId), bytes,
                                   length);
            ReleaseAndClear(channel);
            break;
        }
        case DISPID_RDPSRAPI_EVENT_ON_VIRTUAL_CHANNEL_SENDCOMPLETED: {
            LONG count = 0;
            IDispatch* channel = ObjectArgument(params, 0);
            if (channel && IntegerArgument(params, 2, count)) {
                ChannelRecord* record = FindChannelByInterface(channel);
                DeliverChannelData(record, nullptr, nullptr, static_cast<uint32_t>(count));
                if (record) FlushPending(record);
            }
            ReleaseAndClear(channel);
            break;
        }
        default: break;
    }
}

// Every attendee starts with the view only; more control is granted only when the user agrees
// to a request (the session's event handler asks).
void SharingObject::AddAttendee(IDispatch* object) {
    auto record = std::make_unique<AttendeeRecord>();
    if (FAILED(
            object->QueryInterface(__uuidof(IRDPSRAPIAttendee), reinterpret_cast<void**>(&record->Attendee))))
        return;
    IRDPSRAPIAttendee* attendee = record->Attendee;
    BSTR name = nullptr;
    if (SUCCEEDED(attendee->get_RemoteName(&name))) record->RemoteName = TakeBstr(name);
    LONG id = 0;
    if (SUCCEEDED(attendee->get_Id(&id))) record->Id = id;
    IUnknown* connectivity = nullptr;
    IRDPSRAPITcpConnectionInfo* tcp = nullptr;
    if (SUCCEEDED(attendee->get_ConnectivityInfo(&connectivity)) && connectivity &&
        SUCCEEDED(connectivity->QueryInterface(__uuidof(IRDPSRAPITcpConnectionInfo),
                                               reinterpret_cast<void**>(&tcp)))) {
        BSTR text = nullptr;
        LONG port = 0;
        if (SUCCEEDED(tcp->get_LocalIP(&text))) record->LocalIp = TakeBstr(text);
        if (SUCCEEDED(tcp->get_LocalPort(&port))) record->LocalPort = static_cast<uint32_t>(port);
        text = nullptr;
        if (SUCCEEDED(tcp->get_PeerIP(&text))) record->PeerIp = TakeBstr(text);
        if (SUCCEEDED(tcp->get_PeerPort(&port))) record->PeerPort = static_cast<uint32_t>(port);
    }
    ReleaseAndClear(tcp);
    ReleaseAndClear(connectivity);
    attendee->put_ControlLevel(CTRL_LEVEL_VIEW);
    attendees_.push_back(std::move(record));
}

bool SharingObject::GrantControl(IUnknown* attendee, CTRL_LEVEL level) {
    IRDPSRAPIAttendee* typed = nullptr;
    if (!attendee ||
        FAILED(attendee->QueryInterface(__uuidof(IRDPSRAPIAttendee), reinterpret_cast<void**>(&typed))))
        return false;
    const bool granted = FindAttendee(typed) && SUCCEEDED(typed->put_ControlLevel(level));
    typed->Release();
    return granted;
}

void SharingObject::HandleColorDepthChange(DISPPARAMS* params) {
    LONG depth = 0;
    if (!IntegerArgument(params, 1, depth)) return;
    IDispatch* object = ObjectArgument(params, 0);
    if (!object) return;
    IRDPSRAPISharingSession* session = nullptr;
    if (SUCCEEDED(
            object->QueryInterface(__uuidof(IRDPSRAPISharingSession), reinterpret_cast<void**>(&session))))
        session->put_ColorDepth(depth);
    ReleaseAndClear(session);
    object->Release();
}

IRDPSRAPIVirtualChannelManager* SharingObject::ChannelManager() {
    IRDPSRAPIVirtualChannelManager* manager = nullptr;
    if (session_)
        session_->get_VirtualChannelManager(&manager);
    else if (viewer_)
        viewer_->get_VirtualChannelManager(&manager);
    return manager;
}

ChannelRecord* SharingObject::AddChannel(const wchar_t* name, bool flag, uint32_t priority) {
    IRDPSRAPIVirtualChannelManager* manager = ChannelManager();
    if (!manager || !name) {
        ReleaseAndClear(manager);
        return nullptr;
    }
    XString text(name);
    IRDPSRAPIVirtualChannel* channel = nullptr;
    const HRESULT created =
        manager->CreateVirtualChannel(text.Bstr(), static_cast<CHANNEL_PRIORITY>(priority),
                                      flag ? 0 : CHANNEL_FLAGS_UNCOMPRESSED, &channel);
    manager->Release();
    if (FAILED(created) || !channel) return nullptr;
    auto record = std::make_unique<ChannelRecord>();
    record->Channel = channel;
    record->Name = name;
    record->Owner = this;
    channels_.push_back(std::move(record));
    return channels_.back().get();
}

ChannelRecord* SharingObject::FindChannel(const wchar_t* name) {
    for (auto& channel : channels_)
        if (channel->Name == name) return channel.get();
    return nullptr;
}

ChannelRecord* SharingObject::FindChannelByInterface(IUnknown* channel) {
    for (auto& record : channels_)
        if (record->Channel == channel || SameObject(record->Channel, channel)) return record.get();
    return nullptr;
}

AttendeeRecord* SharingObject::FindAttendeeById(int32_t id) {
    for (auto& record : attendees_)
        if (record->Id == id) return record.get();
    return nullptr;
}

void SharingObject::DeliverChannelData(ChannelRecord* channel, AttendeeRecord* attendee, const uint8_t* bytes,
                                       uint32_t length) {
    if (channelDataCallback_) channelDataCallback_(channel, attendee, bytes, length, channelDataContext_);
}

void SharingObject::RemoveAttendee(IRDPSRAPIAttendee* attendee) {
    for (auto it = attendees_.begin(); it != attendees_.end(); ++it) {
        if ((*it)->Attendee != attendee && !SameObject((*it)->Attendee, attendee)) continue;
        ReleaseAndClear((*it)->Attendee);
        attendees_.erase(it);
        return;
    }
}

AttendeeRecord* SharingObject::FindAttendee(IRDPSRAPIAttendee* attendee) {
    for (auto& record : attendees_)
        if (record->Attendee == attendee || SameObject(record->Attendee, attendee)) return record.get();
    return nullptr;
}
