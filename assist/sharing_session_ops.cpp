// The thin operations on the sharing session and on the viewer.
#include "assist/sharing_object.h"

#include "assist/com_helpers.h"
#include "common/xstring.h"

namespace {

bool PutProperty(IRDPSRAPISessionProperties* properties, const wchar_t* name, VARIANT value) {
    BSTR key = SysAllocString(name);
    const HRESULT result = properties->put_Property(key, value);
    SysFreeString(key);
    return SUCCEEDED(result);
}

bool PutInteger(IRDPSRAPISessionProperties* properties, const wchar_t* name, int32_t number) {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_I4;
    V_I4(&value) = number;
    return PutProperty(properties, name, value);
}

bool PutBoolean(IRDPSRAPISessionProperties* properties, const wchar_t* name, bool flag) {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return PutProperty(properties, name, value);
}

bool GetInteger(IRDPSRAPISessionProperties* properties, const wchar_t* name, int32_t& number) {
    BSTR key = SysAllocString(name);
    VARIANT value;
    VariantInit(&value);
    bool read = SUCCEEDED(properties->get_Property(key, &value)) &&
                SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4));
    if (read) number = V_I4(&value);
    VariantClear(&value);
    SysFreeString(key);
    return read;
}

// Calls visit with every item of a collection that offers _NewEnum; stops when it returns false.
template <typename Item, typename Collection, typename Visit>
void ForEachItem(Collection* collection, Visit visit) {
    IUnknown* enumerator = nullptr;
    IEnumVARIANT* items = nullptr;
    if (FAILED(collection->get__NewEnum(&enumerator)) || !enumerator ||
        FAILED(enumerator->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&items)))) {
        ReleaseAndClear(enumerator);
        return;
    }
    VARIANT value;
    VariantInit(&value);
    bool going = true;
    while (going && items->Next(1, &value, nullptr) == S_OK) {
        Item* item = nullptr;
        if ((V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN) && V_UNKNOWN(&value) &&
            SUCCEEDED(V_UNKNOWN(&value)->QueryInterface(__uuidof(Item), reinterpret_cast<void**>(&item)))) {
            going = visit(item);
            item->Release();
        }
        VariantClear(&value);
    }
    items->Release();
    enumerator->Release();
}

void ShareApplication(IRDPSRAPIApplication* application, bool share) {
    application->put_Shared(share ? VARIANT_TRUE : VARIANT_FALSE);
    if (share) return;
    IRDPSRAPIWindowList* windows = nullptr;
    if (FAILED(application->get_Windows(&windows)) || !windows) return;
    ForEachItem<IRDPSRAPIWindow>(windows, [](IRDPSRAPIWindow* window) {
        window->put_Shared(VARIANT_FALSE);
        return true;
    });
    windows->Release();
}

} // namespace

bool SharingObject::SetSessionProperties(int32_t portProtocol, int32_t portId, bool drvConAttach,
                                         int32_t colorDepth, const char* connectText) {
    if (!session_) return false;
    IRDPSRAPISessionProperties* properties = nullptr;
    if (FAILED(session_->get_Properties(&properties)) || !properties) return false;
    bool all = true;
    if (portProtocol) all &= PutInteger(properties, L"PortProtocol", portProtocol);
    if (portId) all &= PutInteger(properties, L"PortId", portId);
    all &= PutBoolean(properties, L"DrvConAttach", drvConAttach);
    properties->Release();
    all &= SUCCEEDED(session_->put_ColorDepth(colorDepth));
    connectText_ = connectText ? connectText : "";
    return all;
}

bool SharingObject::ReadSessionProperties(int32_t& portProtocol, int32_t& portId, bool& drvConAttach,
                                          int32_t& colorDepth) {
    if (!session_) return false;
    IRDPSRAPISessionProperties* properties = nullptr;
    if (FAILED(session_->get_Properties(&properties)) || !properties) return false;
    int32_t attach = 0;
    bool read = GetInteger(properties, L"PortProtocol", portProtocol) &
                GetInteger(properties, L"PortId", portId) & GetInteger(properties, L"DrvConAttach", attach);
    properties->Release();
    drvConAttach = attach != 0;
    return GetColorDepth(colorDepth) && read;
}

bool SharingObject::Open() {
    if (!session_) return false;
    if (!connectText_.empty()) return ConnectToClient(NarrowToWide(connectText_).c_str());
    return SUCCEEDED(session_->Open());
}

bool SharingObject::ConnectToClient(const wchar_t* connectionString) {
    if (!session_ || !connectionString || !*connectionString) return false;
    XString text(connectionString);
    return SUCCEEDED(session_->ConnectToClient(text.Bstr()));
}

InvitationRecord* SharingObject::CreateInvitation(const wchar_t* authorisation, const wchar_t* password,
                                                  const wchar_t* group, int32_t attendeeLimit) {
    if (!session_) return nullptr;
    IRDPSRAPIInvitationManager* manager = nullptr;
    if (FAILED(session_->get_Invitations(&manager)) || !manager) return nullptr;
    XString authText(authorisation ? authorisation : L"");
    XString groupText(group ? group : L"");
    XString passwordText(password ? password : L"");
    InvitationRecord record;
    const HRESULT created =
        manager->CreateInvitation(authorisation ? authText.Bstr() : nullptr, groupText.Bstr(),
                                  passwordText.Bstr(), attendeeLimit, &record.Invitation);
    manager->Release();
    if (FAILED(created) || !record.Invitation) return nullptr;
    BSTR connection = nullptr;
    if (SUCCEEDED(record.Invitation->get_ConnectionString(&connection)))
        record.ConnectionString = TakeBstr(connection);
    record.Authorisation = authText.WideString();
    record.Password = passwordText.WideString();
    record.Group = groupText.WideString();
    record.AttendeeLimit = attendeeLimit;
    invitations_.push_back(std::make_unique<InvitationRecord>(std::move(record)));
    return invitations_.back().get();
}

bool SharingObject::SetApplicationFilter(const std::vector<DWORD>& processIds, bool enable) {
    if (!session_) return false;
    IRDPSRAPIApplicationFilter* filter = nullptr;
    if (FAILED(session_->get_ApplicationFilter(&filter)) || !filter) return false;
    bool done = SUCCEEDED(filter->put_Enabled(enable ? VARIANT_TRUE : VARIANT_FALSE));
    IRDPSRAPIApplicationList* applications = nullptr;
    if (done && SUCCEEDED(filter->get_Applications(&applications)) && applications) {
        ForEachItem<IRDPSRAPIApplication>(applications, [&](IRDPSRAPIApplication* application) {
            LONG id = 0;
            application->get_Id(&id);
            bool listed = !enable;
            for (DWORD wanted : processIds)
                listed |= static_cast<DWORD>(id) == (wanted ? wanted : GetCurrentProcessId());
            ShareApplication(application, listed);
            return true;
        });
        applications->Release();
    }
    filter->Release();
    return done;
}

bool SharingObject::ApplicationShared(DWORD processId, bool set, bool& shared) {
    if (!session_) return false;
    const DWORD wanted = processId ? processId : GetCurrentProcessId();
    IRDPSRAPIApplicationFilter* filter = nullptr;
    IRDPSRAPIApplicationList* applications = nullptr;
    bool found = false;
    if (SUCCEEDED(session_->get_ApplicationFilter(&filter)) && filter &&
        SUCCEEDED(filter->get_Applications(&applications)) && applications) {
        ForEachItem<IRDPSRAPIApplication>(applications, [&](IRDPSRAPIApplication* application) {
            LONG id = 0;
            if (FAILED(application->get_Id(&id)) || static_cast<DWORD>(id) != wanted) return true;
            VARIANT_BOOL state = VARIANT_FALSE;
            if (set)
                found = SUCCEEDED(application->put_Shared(shared ? VARIANT_TRUE : VARIANT_FALSE));
            else if ((found = SUCCEEDED(application->get_Shared(&state))))
                shared = state != VARIANT_FALSE;
            return false;
        });
    }
    ReleaseAndClear(applications);
    ReleaseAndClear(filter);
    return found;
}

bool SharingObject::Close() {
    return session_ && SUCCEEDED(session_->Close());
}
bool SharingObject::Pause() {
    return session_ && SUCCEEDED(session_->Pause());
}
bool SharingObject::Resume() {
    return session_ && SUCCEEDED(session_->Resume());
}

bool SharingObject::GetColorDepth(int32_t& depth) {
    LONG value = 0;
    if (!session_ || FAILED(session_->get_ColorDepth(&value))) return false;
    depth = value;
    return true;
}

bool SharingObject::SetSharedRect(const RECT& rect) {
    return session_ &&
           SUCCEEDED(session_->SetDesktopSharedRect(rect.left, rect.top, rect.right, rect.bottom));
}

bool SharingObject::GetSharedRect(RECT& rect) {
    return session_ &&
           SUCCEEDED(session_->GetDesktopSharedRect(&rect.left, &rect.top, &rect.right, &rect.bottom));
}

bool SharingObject::Connect(const wchar_t* connectionString, const wchar_t* attendeeName,
                            const wchar_t* password) {
    if (!viewer_ || !connectionString) return false;
    XString connection(connectionString);
    XString name(attendeeName ? attendeeName : L"");
    XString secret(password ? password : L"");
    return SUCCEEDED(viewer_->Connect(connection.Bstr(), name.Bstr(), secret.Bstr()));
}

bool SharingObject::Disconnect() {
    return viewer_ && SUCCEEDED(viewer_->Disconnect());
}
bool SharingObject::RequestControl(CTRL_LEVEL level) {
    return viewer_ && SUCCEEDED(viewer_->RequestControl(level));
}

bool SharingObject::RequestColorDepthChange(int32_t depth) {
    return viewer_ && SUCCEEDED(viewer_->RequestColorDepthChange(depth));
}

bool SharingObject::SetSmartSizing(bool on) {
    return viewer_ && SUCCEEDED(viewer_->put_SmartSizing(on ? VARIANT_TRUE : VARIANT_FALSE));
}

std::wstring SharingObject::StartReverseConnectListener(int32_t portProtocol, int32_t portId) {
    if (!viewer_) return {};
    IRDPSRAPISessionProperties* properties = nullptr;
    if (portProtocol && portId && SUCCEEDED(viewer_->get_Properties(&properties)) && properties) {
        PutInteger(properties, L"PortProtocol", portProtocol);
        PutInteger(properties, L"PortId", portId);
    }
    ReleaseAndClear(properties);
    BSTR reverse = nullptr;
    if (FAILED(viewer_->StartReverseConnectListener(nullptr, nullptr, nullptr, &reverse))) return {};
    reverseConnectString_ = TakeBstr(reverse);
    return reverseConnectString_;
}
