// The stand-in's COM objects (see standin_sharing.h).
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <rdpencomapi.h>

#include "tests/assist/standin_sharing.h"

#include <atomic>
#include <map>
#include <string>
#include <utility>
#include <vector>

// IUnknown and an IDispatch without type information for one interface.
template <typename Interface> class Dispatch : public Interface {
public:
    virtual ~Dispatch() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(Interface)) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        return QueryOther(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (!left) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

protected:
    virtual HRESULT QueryOther(REFIID, void** out) {
        *out = nullptr;
        return E_NOINTERFACE;
    }

private:
    std::atomic<ULONG> references_{1};
};

// A reference held for as long as the holder lives.
template <typename T> class Held {
public:
    Held() = default;
    explicit Held(T* object, bool addReference = true) : object_(object) {
        if (object_ && addReference) object_->AddRef();
    }
    Held(const Held& other) : Held(other.object_) {}
    Held& operator=(Held other) {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Held() {
        if (object_) object_->Release();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }

private:
    T* object_ = nullptr;
};

// The connection point of one side's events.
class EventSource : public IConnectionPointContainer, public IConnectionPoint {
public:
    virtual ~EventSource() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    // Calls every sink with the arguments in their order (the first is parameter 0).
    void Fire(DISPID id, std::vector<VARIANT> arguments);

private:
    std::atomic<ULONG> references_{1};
    std::map<DWORD, IDispatch*> sinks_;
    DWORD nextCookie_ = 1;
};

// An enumerator over a list of objects.
class ObjectEnum : public IEnumVARIANT {
public:
    explicit ObjectEnum(std::vector<IDispatch*> items);
    virtual ~ObjectEnum();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

private:
    std::atomic<ULONG> references_{1};
    std::vector<IDispatch*> items_;
    size_t next_ = 0;
};

class StandInProperties : public Dispatch<IRDPSRAPISessionProperties> {
public:
    ~StandInProperties() override;
    HRESULT STDMETHODCALLTYPE get_Property(BSTR name, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_Property(BSTR name, VARIANT value) override;
    bool Read(const std::wstring& name, VARIANT& value) const;

private:
    mutable std::map<std::wstring, VARIANT> values_;
};

class StandInTcpInfo : public Dispatch<IRDPSRAPITcpConnectionInfo> {
public:
    HRESULT STDMETHODCALLTYPE get_Protocol(LONG* protocol) override;
    HRESULT STDMETHODCALLTYPE get_LocalPort(LONG* port) override;
    HRESULT STDMETHODCALLTYPE get_LocalIP(BSTR* address) override;
    HRESULT STDMETHODCALLTYPE get_PeerPort(LONG* port) override;
    HRESULT STDMETHODCALLTYPE get_PeerIP(BSTR* address) override;
};

class StandInViewer;
class StandInSession;

class StandInAttendee : public Dispatch<IRDPSRAPIAttendee> {
public:
    StandInAttendee(LONG id, std::wstring name, StandInViewer* viewer)
        : id_(id), name_(std::move(name)), viewer_(viewer) {}
    HRESULT STDMETHODCALLTYPE get_Id(LONG* id) override;
    HRESULT STDMETHODCALLTYPE get_RemoteName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_ControlLevel(CTRL_LEVEL* level) override;
    HRESULT STDMETHODCALLTYPE put_ControlLevel(CTRL_LEVEL level) override;
    HRESULT STDMETHODCALLTYPE get_Invitation(IRDPSRAPIInvitation**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TerminateConnection() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Flags(LONG* flags) override;
    HRESULT STDMETHODCALLTYPE get_ConnectivityInfo(IUnknown** info) override;

    LONG Id() const { return id_; }
    StandInViewer* Viewer() const { return viewer_; }
    // The level the sharing API gives a new attendee here: full control, so that only the
    // program's own care keeps a helper to the view.
    std::atomic<CTRL_LEVEL> Level{CTRL_LEVEL_INTERACTIVE};

private:
    LONG id_;
    std::wstring name_;
    StandInViewer* viewer_;
};

class StandInDisconnectInfo : public Dispatch<IRDPSRAPIAttendeeDisconnectInfo> {
public:
    explicit StandInDisconnectInfo(IRDPSRAPIAttendee* attendee) : attendee_(attendee) {}
    HRESULT STDMETHODCALLTYPE get_Attendee(IRDPSRAPIAttendee** attendee) override;
    HRESULT STDMETHODCALLTYPE get_Reason(ATTENDEE_DISCONNECT_REASON* reason) override;
    HRESULT STDMETHODCALLTYPE get_Code(LONG* code) override;

private:
    Held<IRDPSRAPIAttendee> attendee_;
};

class StandInInvitation : public Dispatch<IRDPSRAPIInvitation> {
public:
    StandInInvitation(std::wstring connection, std::wstring group, std::wstring password, LONG limit)
        : connection_(std::move(connection)), group_(std::move(group)), password_(std::move(password)),
          limit_(limit) {}
    HRESULT STDMETHODCALLTYPE get_ConnectionString(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_GroupName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_Password(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_AttendeeLimit(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_AttendeeLimit(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_Revoked(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_Revoked(VARIANT_BOOL value) override;

    const std::wstring& Connection() const { return connection_; }
    const std::wstring& Password() const { return password_; }

private:
    std::wstring connection_;
    std::wstring group_;
    std::wstring password_;
    LONG limit_;
    bool revoked_ = false;
};

class StandInInvitations : public Dispatch<IRDPSRAPIInvitationManager> {
public:
    explicit StandInInvitations(StandInSession* session) : session_(session) {}
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT, IRDPSRAPIInvitation**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE CreateInvitation(BSTR authorisation, BSTR group, BSTR password, LONG limit,
                                               IRDPSRAPIInvitation** invitation) override;

private:
    StandInSession* session_;
};

class StandInWindow : public Dispatch<IRDPSRAPIWindow> {
public:
    explicit StandInWindow(LONG id) : id_(id) {}
    HRESULT STDMETHODCALLTYPE get_Id(LONG* id) override;
    HRESULT STDMETHODCALLTYPE get_Application(IRDPSRAPIApplication**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Shared(VARIANT_BOOL* shared) override;
    HRESULT STDMETHODCALLTYPE put_Shared(VARIANT_BOOL shared) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Show() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Flags(ULONG* flags) override;
    bool Shared = true;

private:
    LONG id_;
};

class StandInWindowList : public Dispatch<IRDPSRAPIWindowList> {
public:
    explicit StandInWindowList(std::vector<StandInWindow*> windows) : windows_(std::move(windows)) {}
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** items) override;
    HRESULT STDMETHODCALLTYPE get_Item(LONG, IRDPSRAPIWindow**) override { return E_NOTIMPL; }

private:
    std::vector<StandInWindow*> windows_; // owned by their application
};

class StandInApplication : public Dispatch<IRDPSRAPIApplication> {
public:
    StandInApplication(DWORD processId, int windowCount);
    ~StandInApplication() override;
    HRESULT STDMETHODCALLTYPE get_Windows(IRDPSRAPIWindowList** windows) override;
    HRESULT STDMETHODCALLTYPE get_Id(LONG* id) override;
    HRESULT STDMETHODCALLTYPE get_Shared(VARIANT_BOOL* shared) override;
    HRESULT STDMETHODCALLTYPE put_Shared(VARIANT_BOOL shared) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Flags(ULONG* flags) override;
    StandInApplicationState State() const;

private:
    DWORD processId_;
    bool shared_ = true;
    std::vector<StandInWindow*> windows_;
};

class StandInApplicationList : public Dispatch<IRDPSRAPIApplicationList> {
public:
    explicit StandInApplicationList(std::vector<StandInApplication*> applications)
        : applications_(std::move(applications)) {}
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** items) override;
    HRESULT STDMETHODCALLTYPE get_Item(LONG, IRDPSRAPIApplication**) override { return E_NOTIMPL; }

private:
    std::vector<StandInApplication*> applications_; // owned by the filter
};

class StandInFilter : public Dispatch<IRDPSRAPIApplicationFilter> {
public:
    StandInFilter();
    ~StandInFilter() override;
    HRESULT STDMETHODCALLTYPE get_Applications(IRDPSRAPIApplicationList** applications) override;
    HRESULT STDMETHODCALLTYPE get_Windows(IRDPSRAPIWindowList**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) override;
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) override;
    bool Enabled = false;
    std::vector<StandInApplicationState> States() const;

private:
    // This process and one other, each with windows of its own.
    std::vector<StandInApplication*> applications_;
};

class StandInChannel;

// One side's virtual channels.
class StandInChannelManager : public Dispatch<IRDPSRAPIVirtualChannelManager> {
public:
    StandInChannelManager(StandInSession* session, StandInViewer* viewer, EventSource* events)
        : session_(session), viewer_(viewer), events_(events) {}
    ~StandInChannelManager() override;
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT, IRDPSRAPIVirtualChannel**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVirtualChannel(BSTR name, CHANNEL_PRIORITY priority, ULONG flags,
                                                   IRDPSRAPIVirtualChannel** channel) override;
    StandInChannel* Find(const std::wstring& name) const;

private:
    StandInSession* session_;
    StandInViewer* viewer_;
    EventSource* events_;
    std::vector<StandInChannel*> channels_; // one reference each
};

class StandInChannel : public Dispatch<IRDPSRAPIVirtualChannel> {
public:
    StandInChannel(std::wstring name, StandInSession* session, StandInViewer* viewer, EventSource* events);
    ~StandInChannel() override;
    HRESULT STDMETHODCALLTYPE SendData(BSTR data, LONG attendeeId, ULONG flags) override;
    HRESULT STDMETHODCALLTYPE SetAccess(LONG attendeeId, CHANNEL_ACCESS_ENUM access) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_Flags(LONG* flags) override;
    HRESULT STDMETHODCALLTYPE get_Priority(CHANNEL_PRIORITY* priority) override;

    const std::wstring& Name() const { return name_; }
    bool HasAccess(LONG attendeeId) const;
    // Pieces posted and not yet delivered (under the stand-in's lock).
    uint32_t InFlight = 0;
    bool AtViewer() const { return viewer_ != nullptr; }
    EventSource* Events() const { return events_; }
    // Its side went away: it routes nothing any more.
    void Detach() { session_ = nullptr, viewer_ = nullptr; }

private:
    std::wstring name_;
    StandInSession* session_;
    StandInViewer* viewer_;
    EventSource* events_; // one reference
    std::vector<LONG> access_;
};

class StandInSession : public Dispatch<IRDPSRAPISharingSession> {
public:
    StandInSession();
    ~StandInSession() override;
    HRESULT STDMETHODCALLTYPE Open() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE put_ColorDepth(LONG depth) override;
    HRESULT STDMETHODCALLTYPE get_ColorDepth(LONG* depth) override;
    HRESULT STDMETHODCALLTYPE get_Properties(IRDPSRAPISessionProperties** properties) override;
    HRESULT STDMETHODCALLTYPE get_Attendees(IRDPSRAPIAttendeeManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Invitations(IRDPSRAPIInvitationManager** invitations) override;
    HRESULT STDMETHODCALLTYPE get_ApplicationFilter(IRDPSRAPIApplicationFilter** filter) override;
    HRESULT STDMETHODCALLTYPE get_VirtualChannelManager(IRDPSRAPIVirtualChannelManager** manager) override;
    HRESULT STDMETHODCALLTYPE Pause() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Resume() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ConnectToClient(BSTR connection) override;
    HRESULT STDMETHODCALLTYPE SetDesktopSharedRect(LONG, LONG, LONG, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetDesktopSharedRect(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }

    EventSource* Events() const { return events_; }
    StandInChannelManager* Channels() const { return channels_; }
    StandInProperties* Properties() const { return properties_; }
    StandInFilter* Filter() const { return filter_; }
    bool Opened = false;
    LONG Depth = 24;
    std::wstring Client;
    std::vector<StandInInvitation*> Invitations; // one reference each
    std::vector<StandInAttendee*> Attendees;     // one reference each

protected:
    HRESULT QueryOther(REFIID iid, void** out) override;

private:
    EventSource* events_;
    StandInChannelManager* channels_;
    StandInProperties* properties_;
    StandInFilter* filter_;
    StandInInvitations* invitationManager_;
};

class StandInViewer : public Dispatch<IRDPSRAPIViewer> {
public:
    StandInViewer();
    ~StandInViewer() override;
    HRESULT STDMETHODCALLTYPE Connect(BSTR connection, BSTR name, BSTR password) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE get_Attendees(IRDPSRAPIAttendeeManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Invitations(IRDPSRAPIInvitationManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ApplicationFilter(IRDPSRAPIApplicationFilter**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_VirtualChannelManager(IRDPSRAPIVirtualChannelManager** manager) override;
    HRESULT STDMETHODCALLTYPE put_SmartSizing(VARIANT_BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_SmartSizing(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestControl(CTRL_LEVEL level) override;
    HRESULT STDMETHODCALLTYPE put_DisconnectedText(BSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_DisconnectedText(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestColorDepthChange(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Properties(IRDPSRAPISessionProperties** properties) override;
    HRESULT STDMETHODCALLTYPE StartReverseConnectListener(BSTR, BSTR, BSTR, BSTR* connection) override;

    EventSource* Events() const { return events_; }
    StandInChannelManager* Channels() const { return channels_; }
    // The session it is connected to and its attendee there (null when not connected).
    StandInSession* Session = nullptr;
    StandInAttendee* Attendee = nullptr;
    std::wstring Connection;

protected:
    HRESULT QueryOther(REFIID iid, void** out) override;

private:
    EventSource* events_;
    StandInChannelManager* channels_;
    StandInProperties* properties_;
};

BSTR CopyBstr(const std::wstring& text);
