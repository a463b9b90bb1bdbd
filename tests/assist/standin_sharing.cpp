// The stand-in's sharer, viewer and channels, its class registration and its event delivery.
#include "tests/assist/standin_sharing.h"

#include "tests/assist/standin_objects.h"
#include "tests/assist/standin_state.h"

#include <algorithm>
#include <memory>

namespace {

StandInState* Live = nullptr;
constexpr UINT kRunWork = WM_APP + 7;

VARIANT ObjectVariant(IDispatch* object) {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_DISPATCH;
    V_DISPATCH(&value) = object;
    object->AddRef();
    return value;
}

VARIANT IntegerVariant(LONG number) {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_I4;
    V_I4(&value) = number;
    return value;
}

VARIANT BytesVariant(const std::vector<uint8_t>& bytes) {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) =
        SysAllocStringByteLen(reinterpret_cast<const char*>(bytes.data()), static_cast<UINT>(bytes.size()));
    return value;
}

LRESULT CALLBACK WorkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunWork) return DefWindowProcW(window, message, wParam, lParam);
    std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lParam));
    (*work)();
    return 0;
}

template <typename Made> class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IClassFactory) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* made = new Made;
        const HRESULT result = made->QueryInterface(iid, out);
        made->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory<StandInSession> SessionFactory;
Factory<StandInViewer> ViewerFactory;
DWORD SessionCookie = 0;
DWORD ViewerCookie = 0;

StandInSession* NewestSession() {
    return Live && !Live->Sessions.empty() ? Live->Sessions.back() : nullptr;
}

} // namespace

StandInState* StandIn() {
    return Live;
}

void PostToStandIn(std::function<void()> work) {
    if (!Live) return;
    auto* posted = new std::function<void()>(std::move(work));
    if (!PostMessageW(Live->Window, kRunWork, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
}

StandInSharing::StandInSharing() {
    Live = new StandInState;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WorkWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"StandInSharingWork";
    RegisterClassW(&windowClass);
    Live->Window =
        CreateWindowW(L"StandInSharingWork", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    CoRegisterClassObject(__uuidof(RDPSession), &SessionFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &SessionCookie);
    CoRegisterClassObject(__uuidof(RDPViewer), &ViewerFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &ViewerCookie);
}

StandInSharing::~StandInSharing() {
    CoRevokeClassObject(SessionCookie);
    CoRevokeClassObject(ViewerCookie);
    PumpUntil([] { return false; }, 50); // what was posted still runs
    DestroyWindow(Live->Window);
    MSG message;
    while (PeekMessageW(&message, nullptr, kRunWork, kRunWork, PM_REMOVE))
        delete reinterpret_cast<std::function<void()>*>(message.lParam);
    delete Live;
    Live = nullptr;
}

void StandInSharing::SetChannelWindow(uint32_t pieces) {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    Live->ChannelWindow = pieces;
}

uint32_t StandInSharing::PendingAnswers(const std::wstring& channel) const {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    return Live->PendingAnswers[channel];
}

std::vector<uint32_t> StandInSharing::Delivered(bool atViewer, const std::wstring& channel) const {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    return (atViewer ? Live->DeliveredAtViewer : Live->DeliveredAtSharer)[channel];
}

CTRL_LEVEL StandInSharing::AttendeeControlLevel() const {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    StandInSession* session = NewestSession();
    return session && !session->Attendees.empty() ? session->Attendees.back()->Level.load()
                                                  : CTRL_LEVEL_INVALID;
}

std::wstring StandInSharing::ConnectedToClient() const {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    StandInSession* session = NewestSession();
    return session ? session->Client : std::wstring();
}

int32_t StandInSharing::ColorDepth() const {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    StandInSession* session = NewestSession();
    return session ? session->Depth : 0;
}

bool StandInSharing::Property(const std::wstring& name, VARIANT& value) const {
    StandInSession* session = NewestSession();
    return session && session->Properties()->Read(name, value);
}

bool StandInSharing::FilterEnabled() const {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    StandInSession* session = NewestSession();
    return session && session->Filter()->Enabled;
}

std::vector<StandInApplicationState> StandInSharing::Applications() const {
    StandInSession* session = NewestSession();
    return session ? session->Filter()->States() : std::vector<StandInApplicationState>();
}

std::wstring StandInSharing::ViewerConnection() const {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    return Live->Viewers.empty() ? std::wstring() : Live->Viewers.back()->Connection;
}

// Channels.

StandInChannel::StandInChannel(std::wstring name, StandInSession* session, StandInViewer* viewer,
                               EventSource* events)
    : name_(std::move(name)), session_(session), viewer_(viewer), events_(events) {
    events_->AddRef();
}

StandInChannel::~StandInChannel() {
    events_->Release();
}

bool StandInChannel::HasAccess(LONG attendeeId) const {
    return std::find(access_.begin(), access_.end(), attendeeId) != access_.end();
}

HRESULT STDMETHODCALLTYPE StandInChannel::SetAccess(LONG attendeeId, CHANNEL_ACCESS_ENUM access) {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    access_.erase(std::remove(access_.begin(), access_.end(), attendeeId), access_.end());
    if (access == CHANNEL_ACCESS_ENUM_SENDRECEIVE) access_.push_back(attendeeId);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInChannel::get_Name(BSTR* name) {
    *name = CopyBstr(name_);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInChannel::get_Flags(LONG* flags) {
    *flags = 0;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInChannel::get_Priority(CHANNEL_PRIORITY* priority) {
    *priority = CHANNEL_PRIORITY_LO;
    return S_OK;
}

// Data goes to the other side's channel of the same name: from the sharer to the attendees
// given access (attendeeId -1: all of them), from a viewer to its sharer when the sharer gave
// it access. Delivery and the send-completed event come later, through the message loop.
HRESULT STDMETHODCALLTYPE StandInChannel::SendData(BSTR data, LONG attendeeId, ULONG) {
    if (!Live) return E_FAIL;
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    if (!session_ && !viewer_) return E_FAIL;
    if (Live->ChannelWindow && InFlight >= Live->ChannelWindow) {
        ++Live->PendingAnswers[name_];
        return E_PENDING;
    }
    struct Target {
        Held<StandInChannel> Channel;
        LONG ReportedId;
    };
    std::vector<Target> targets;
    if (session_) {
        for (StandInAttendee* attendee : session_->Attendees)
            if ((attendeeId == -1 || attendee->Id() == attendeeId) && HasAccess(attendee->Id()) &&
                attendee->Viewer())
                if (StandInChannel* channel = attendee->Viewer()->Channels()->Find(name_))
                    targets.push_back({Held<StandInChannel>(channel), 0});
    } else if (viewer_->Session && viewer_->Attendee) {
        StandInChannel* channel = viewer_->Session->Channels()->Find(name_);
        if (!channel || !channel->HasAccess(viewer_->Attendee->Id())) return E_ACCESSDENIED;
        targets.push_back({Held<StandInChannel>(channel), viewer_->Attendee->Id()});
    }
    const std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(data),
                                     reinterpret_cast<const uint8_t*>(data) + SysStringByteLen(data));
    ++InFlight;
    Held<StandInChannel> self(this);
    PostToStandIn([self, targets, bytes, attendeeId] {
        for (const Target& target : targets) {
            {
                std::lock_guard<std::recursive_mutex> lock(Live->Lock);
                auto& delivered =
                    target.Channel->AtViewer() ? Live->DeliveredAtViewer : Live->DeliveredAtSharer;
                delivered[target.Channel->Name()].push_back(static_cast<uint32_t>(bytes.size()));
            }
            target.Channel->Events()->Fire(DISPID_RDPSRAPI_EVENT_ON_VIRTUAL_CHANNEL_DATARECEIVED,
                                           {ObjectVariant(target.Channel.get()),
                                            IntegerVariant(target.ReportedId), BytesVariant(bytes)});
        }
        {
            std::lock_guard<std::recursive_mutex> lock(Live->Lock);
            --self->InFlight;
        }
        self->Events()->Fire(DISPID_RDPSRAPI_EVENT_ON_VIRTUAL_CHANNEL_SENDCOMPLETED,
                             {ObjectVariant(self.get()), IntegerVariant(attendeeId),
                              IntegerVariant(static_cast<LONG>(bytes.size()))});
    });
    return S_OK;
}

StandInChannelManager::~StandInChannelManager() {
    for (StandInChannel* channel : channels_) {
        channel->Detach();
        channel->Release();
    }
}

HRESULT STDMETHODCALLTYPE StandInChannelManager::CreateVirtualChannel(BSTR name, CHANNEL_PRIORITY, ULONG,
                                                                      IRDPSRAPIVirtualChannel** channel) {
    if (!name || !channel) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    if (Find(name)) return E_INVALIDARG;
    auto* made = new StandInChannel(name, session_, viewer_, events_);
    channels_.push_back(made);
    made->AddRef();
    *channel = made;
    return S_OK;
}

StandInChannel* StandInChannelManager::Find(const std::wstring& name) const {
    for (StandInChannel* channel : channels_)
        if (channel->Name() == name) return channel;
    return nullptr;
}

// The sharer.

StandInSession::StandInSession()
    : events_(new EventSource), properties_(new StandInProperties), filter_(new StandInFilter),
      invitationManager_(new StandInInvitations(this)) {
    channels_ = new StandInChannelManager(this, nullptr, events_);
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    Live->Sessions.push_back(this);
}

StandInSession::~StandInSession() {
    if (Live) {
        std::lock_guard<std::recursive_mutex> lock(Live->Lock);
        Live->Sessions.erase(std::remove(Live->Sessions.begin(), Live->Sessions.end(), this),
                             Live->Sessions.end());
        for (StandInViewer* viewer : Live->Viewers)
            if (viewer->Session == this) viewer->Session = nullptr;
    }
    for (StandInAttendee* attendee : Attendees) attendee->Release();
    for (StandInInvitation* invitation : Invitations) invitation->Release();
    channels_->Release();
    invitationManager_->Release();
    filter_->Release();
    properties_->Release();
    events_->Release();
}

HRESULT StandInSession::QueryOther(REFIID iid, void** out) {
    if (iid == IID_IConnectionPointContainer) return events_->QueryInterface(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE StandInSession::Open() {
    Opened = true;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInSession::Close() {
    Opened = false;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInSession::put_ColorDepth(LONG depth) {
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return E_INVALIDARG;
    Depth = depth;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInSession::get_ColorDepth(LONG* depth) {
    *depth = Depth;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInSession::get_Properties(IRDPSRAPISessionProperties** properties) {
    *properties = properties_;
    properties_->AddRef();
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInSession::get_Invitations(IRDPSRAPIInvitationManager** invitations) {
    *invitations = invitationManager_;
    invitationManager_->AddRef();
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInSession::get_ApplicationFilter(IRDPSRAPIApplicationFilter** filter) {
    *filter = filter_;
    filter_->AddRef();
    return S_OK;
}
HRESULT STDMETHODCALLTYPE
StandInSession::get_VirtualChannelManager(IRDPSRAPIVirtualChannelManager** manager) {
    *manager = channels_;
    channels_->AddRef();
    return S_OK;
}
HRESULT STDMETHODCALLTYPE StandInSession::ConnectToClient(BSTR connection) {
    if (!Opened || !connection || !*connection) return E_FAIL;
    Client = connection;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInInvitations::get_Count(LONG* count) {
    *count = static_cast<LONG>(session_->Invitations.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInInvitations::CreateInvitation(BSTR, BSTR group, BSTR password, LONG limit,
                                                               IRDPSRAPIInvitation** invitation) {
    if (!password || !invitation) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    const std::wstring connection =
        L"<E><A KH=\"standin\" ID=\"invitation-" + std::to_wstring(Live->NextSessionId++) +
        L"\"/><C><T ID=\"1\" SID=\"0\"><L P=\"3389\" N=\"127.0.0.1\"/></T></C></E>";
    auto* made = new StandInInvitation(connection, group ? group : L"", password, limit);
    session_->Invitations.push_back(made);
    made->AddRef();
    *invitation = made;
    return S_OK;
}

// The viewer.

StandInViewer::StandInViewer() : events_(new EventSource), properties_(new StandInProperties) {
    channels_ = new StandInChannelManager(nullptr, this, events_);
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    Live->Viewers.push_back(this);
}

StandInViewer::~StandInViewer() {
    Disconnect();
    if (Live) {
        std::lock_guard<std::recursive_mutex> lock(Live->Lock);
        Live->Viewers.erase(std::remove(Live->Viewers.begin(), Live->Viewers.end(), this),
                            Live->Viewers.end());
    }
    channels_->Release();
    properties_->Release();
    events_->Release();
}

HRESULT StandInViewer::QueryOther(REFIID iid, void** out) {
    if (iid == IID_IConnectionPointContainer) return events_->QueryInterface(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
}

// Joins the open sharer whose invitation has this connection string, with its password.
HRESULT STDMETHODCALLTYPE StandInViewer::Connect(BSTR connection, BSTR name, BSTR password) {
    if (!connection || !password) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    for (StandInSession* session : Live->Sessions) {
        if (!session->Opened) continue;
        for (StandInInvitation* invitation : session->Invitations) {
            if (invitation->Connection() != connection) continue;
            if (invitation->Password() != password) return E_ACCESSDENIED;
            Connection = connection;
            Session = session;
            Attendee = new StandInAttendee(Live->NextAttendeeId++, name ? name : L"", this);
            session->Attendees.push_back(Attendee);
            Attendee->AddRef();
            Held<StandInAttendee> attendee(Attendee);
            Held<EventSource> events(session->Events());
            PostToStandIn([attendee, events] {
                events->Fire(DISPID_RDPSRAPI_EVENT_ON_ATTENDEE_CONNECTED, {ObjectVariant(attendee.get())});
            });
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE StandInViewer::Disconnect() {
    if (!Live) return E_FAIL;
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    if (!Attendee) return S_FALSE;
    Held<StandInAttendee> attendee(Attendee, false);
    Attendee = nullptr;
    if (Session) {
        auto& list = Session->Attendees;
        auto it = std::find(list.begin(), list.end(), attendee.get());
        if (it != list.end()) {
            list.erase(it);
            attendee->Release();
        }
        Held<EventSource> events(Session->Events());
        Held<StandInDisconnectInfo> info(new StandInDisconnectInfo(attendee.get()), false);
        PostToStandIn([events, info] {
            events->Fire(DISPID_RDPSRAPI_EVENT_ON_ATTENDEE_DISCONNECTED, {ObjectVariant(info.get())});
        });
    }
    Session = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInViewer::get_VirtualChannelManager(IRDPSRAPIVirtualChannelManager** manager) {
    *manager = channels_;
    channels_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInViewer::RequestControl(CTRL_LEVEL level) {
    std::lock_guard<std::recursive_mutex> lock(Live->Lock);
    if (!Session || !Attendee) return E_FAIL;
    Held<StandInAttendee> attendee(Attendee);
    Held<EventSource> events(Session->Events());
    PostToStandIn([attendee, events, level] {
        events->Fire(DISPID_RDPSRAPI_EVENT_ON_CTRLLEVEL_CHANGE_REQUEST,
                     {ObjectVariant(attendee.get()), IntegerVariant(level)});
    });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInViewer::get_Properties(IRDPSRAPISessionProperties** properties) {
    *properties = properties_;
    properties_->AddRef();
    return S_OK;
}

// A listener string as the real one looks: two addresses, which the author replaces by one.
HRESULT STDMETHODCALLTYPE StandInViewer::StartReverseConnectListener(BSTR, BSTR, BSTR, BSTR* connection) {
    *connection = CopyBstr(L"<E><A KH=\"standin\" ID=\"listener\"/><C><T ID=\"1\" SID=\"0\"><L P=\"0\" "
                           L"N=\"fe80::1%1\"/><L P=\"3389\" N=\"192.168.1.1\"/></T></C></E>");
    return S_OK;
}
