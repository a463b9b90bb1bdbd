// The program's own layer over the desktop-sharing interfaces: one object is either a sharer (it
// owns a sharing session) or a viewer. It takes the session's events through an embedded sink,
// keeps the virtual channels, the connected attendees and the invitations, cuts outgoing channel
// data into pieces of 1024 bytes and keeps what a channel cannot take yet for its next
// send-completed event.
//
// The object belongs to the thread that made it, and its events arrive there. A file is sent
// from a thread of its own, so the channels' queues and transfer slots are guarded by ChannelLock.
#pragma once

#include "common/event_sink_dispatch.h"

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <rdpencomapi.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class SharingObject;
struct FileReceiveJob;

// The largest piece a channel is given at once.
constexpr uint32_t kChannelPieceSize = 1024;
// Event ids the object handles itself.
constexpr DISPID kColorDepthChangeEvent = 115;

struct AttendeeRecord {
    IRDPSRAPIAttendee* Attendee = nullptr; // the key; one reference held
    std::wstring RemoteName;
    int32_t Id = 0;
    std::wstring LocalIp;
    uint32_t LocalPort = 0;
    std::wstring PeerIp;
    uint32_t PeerPort = 0;
};

// Data a channel refused for now, kept for one attendee or (AttendeeId -1) for all of them.
struct PendingPiece {
    std::vector<uint8_t> Bytes;
    int32_t AttendeeId = -1;
    bool Option = false;
};

struct ChannelRecord {
    IRDPSRAPIVirtualChannel* Channel = nullptr;
    std::wstring Name;
    SharingObject* Owner = nullptr;
    // The transfer slot, under the owner's ChannelLock: the file being received on this channel,
    // or Sending while this side sends one.
    std::shared_ptr<FileReceiveJob> Receiving;
    bool Sending = false;
    // Under ChannelLock: pieces for single attendees, and the buffer for all attendees.
    std::vector<PendingPiece> PendingForAttendees;
    std::vector<uint8_t> PendingForAll;
    bool PendingForAllOption = false;
    bool Flushing = false;
};

struct InvitationRecord {
    IRDPSRAPIInvitation* Invitation = nullptr;
    std::wstring Authorisation;
    std::wstring Password;
    std::wstring Group;
    std::wstring ConnectionString;
    int32_t AttendeeLimit = 0;
};

// Called first with every event; a result other than 0 ends the event's delivery.
using SharingEventCallback = HRESULT (*)(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                         VARIANT* result, EXCEPINFO* exception, UINT* argumentError,
                                         void* context);
// Data that arrived on a channel (attendee null when unknown), or with no bytes the byte count
// of a completed send.
using ChannelDataCallback = void (*)(ChannelRecord* channel, AttendeeRecord* attendee, const uint8_t* bytes,
                                     uint32_t length, void* context);
// Asked after each block of a file; a negative result stops the send.
using SendProgressCheck = std::function<HRESULT()>;

// The sink the session's events arrive at. It lives inside its object and is never freed by
// its own Release.
class SharingEventSink : public EventSinkDispatch {
public:
    explicit SharingEventSink(SharingObject* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    SharingObject* owner_;
    std::atomic<uint32_t> references_{1};
};

class SharingObject {
public:
    // Both have no interface when the desktop-sharing classes are missing; Interface() says so.
    static std::unique_ptr<SharingObject> CreateSharer();
    // Queries the existing object for the viewer interface, or creates a viewer when it is null.
    static std::unique_ptr<SharingObject> CreateViewer(IUnknown* existing);
    virtual ~SharingObject();
    SharingObject(const SharingObject&) = delete;
    SharingObject& operator=(const SharingObject&) = delete;

    // The operations in their slot order.
    virtual void SetEventCallback(SharingEventCallback callback, void* context, bool connect);
    virtual void SetNotifyWindow(HWND window, UINT message, bool connect);
    virtual void OnEvent(DISPID id, DISPPARAMS* params);
    // The session or viewer interface itself, no reference added; null when creation failed.
    virtual IUnknown* GetInterface();
    // flag set: channel flags 0, else 2.
    virtual ChannelRecord* AddChannel(const wchar_t* name, bool flag, uint32_t priority);
    // attendees null: to all attendees. S_FALSE for no bytes; E_PENDING when some of the data
    // was kept for the next send-completed event.
    virtual HRESULT Send(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, bool option,
                         const std::vector<AttendeeRecord*>* attendees);
    virtual HRESULT SendFile(ChannelRecord* channel, const wchar_t* fileName,
                             const std::vector<AttendeeRecord*>* attendees,
                             const SendProgressCheck& progress);
    virtual void DeliverChannelData(ChannelRecord* channel, AttendeeRecord* attendee, const uint8_t* bytes,
                                    uint32_t length);
    virtual void RemoveAttendee(IRDPSRAPIAttendee* attendee);
    virtual AttendeeRecord* FindAttendee(IRDPSRAPIAttendee* attendee);

    bool IsSharer() const { return kind_ == 1; }
    void SetChannelDataCallback(ChannelDataCallback callback, void* context);
    ChannelRecord* FindChannel(const wchar_t* name);
    // Gives a listed attendee the control level the user agreed to; false for anyone else.
    bool GrantControl(IUnknown* attendee, CTRL_LEVEL level);
    const std::vector<std::unique_ptr<ChannelRecord>>& Channels() const { return channels_; }
    const std::vector<std::unique_ptr<AttendeeRecord>>& Attendees() const { return attendees_; }
    const std::vector<std::unique_ptr<InvitationRecord>>& Invitations() const { return invitations_; }

    // Sharer operations; each fails when there is no session.
    bool SetSessionProperties(int32_t portProtocol, int32_t portId, bool drvConAttach, int32_t colorDepth,
                              const char* connectText);
    bool Open();
    bool ConnectToClient(const wchar_t* connectionString);
    InvitationRecord* CreateInvitation(const wchar_t* authorisation, const wchar_t* password,
                                       const wchar_t* group, int32_t attendeeLimit);
    // Shares only the applications whose process ids are listed (0: this process), or with
    // enable clear every application.
    bool SetApplicationFilter(const std::vector<DWORD>& processIds, bool enable);
    // Reads (set false) or sets the shared state of a process's application (0: this process).
    bool ApplicationShared(DWORD processId, bool set, bool& shared);
    bool Close();
    bool Pause();
    bool Resume();
    bool GetColorDepth(int32_t& depth);
    bool SetSharedRect(const RECT& rect);
    bool GetSharedRect(RECT& rect);
    bool ReadSessionProperties(int32_t& portProtocol, int32_t& portId, bool& drvConAttach,
                               int32_t& colorDepth);

    // Viewer operations.
    bool Connect(const wchar_t* connectionString, const wchar_t* attendeeName, const wchar_t* password);
    bool Disconnect();
    bool RequestControl(CTRL_LEVEL level);
    bool RequestColorDepthChange(int32_t depth);
    bool SetSmartSizing(bool on);
    // Puts the port settings (both, when both are not 0), starts listening and returns the
    // reverse-connect string (empty on failure).
    std::wstring StartReverseConnectListener(int32_t portProtocol, int32_t portId);

    // Wakes file senders that wait for a channel to take its queued data, for good.
    void StopWaitingSenders();

    // Guards the channels' queues and transfer slots.
    std::mutex ChannelLock;

private:
    friend class SharingEventSink;
    explicit SharingObject(uint32_t kind) : kind_(kind), sink_(this) {}
    HRESULT DeliverEvent(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argumentError);
    void ConnectSink();
    void DisconnectSink();
    IRDPSRAPIVirtualChannelManager* ChannelManager();
    ChannelRecord* FindChannelByInterface(IUnknown* channel);
    AttendeeRecord* FindAttendeeById(int32_t id);
    void AddAttendee(IDispatch* attendee);
    void HandleColorDepthChange(DISPPARAMS* params);
    // One walk over the data to all attendees (id -1) or one; E_PENDING queues the rest.
    HRESULT SendPieces(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, bool option,
                       int32_t attendeeId);
    void QueuePending(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, bool option,
                      int32_t attendeeId);
    void FlushPending(ChannelRecord* channel);
    bool HasPending(const ChannelRecord* channel, int32_t attendeeId) const;
    // Waits until the channel took its queued data; false when the check or the object stops it.
    bool WaitForDrain(ChannelRecord* channel, const SendProgressCheck& progress);

    uint32_t kind_; // 1 sharer, 0 viewer
    IRDPSRAPISharingSession* session_ = nullptr;
    IRDPSRAPIViewer* viewer_ = nullptr;
    std::string connectText_;
    SharingEventSink sink_;
    HWND notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
    SharingEventCallback eventCallback_ = nullptr;
    void* eventContext_ = nullptr;
    IConnectionPointContainer* container_ = nullptr;
    IConnectionPoint* point_ = nullptr;
    DWORD cookie_ = 0;
    void* channelDataContext_ = nullptr;
    ChannelDataCallback channelDataCallback_ = nullptr;
    std::vector<std::unique_ptr<ChannelRecord>> channels_;
    std::vector<std::unique_ptr<AttendeeRecord>> attendees_;
    std::vector<std::unique_ptr<InvitationRecord>> invitations_; // kept where they are: callers hold them
    std::wstring reverseConnectString_;
    std::condition_variable drained_;
    bool stopWaiting_ = false; // under ChannelLock
};
