// The "AX" window hosting the tests' own control, registered with regsvr32 as a user would.
#include <gtest/gtest.h>

#include "tests/ax_control/test_control_registration.h"
#include "ui/ax_host.h"

#include <ole2.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kEventMessage = WM_APP + 5;
constexpr int kHostId = 888;

struct Seen {
    std::vector<DISPID> Events;
    std::wstring Argument;
    int Resized = 0;
    bool DestroyHostOnEvent = false;
};
Seen Parent;
std::vector<DISPID> Callbacks;
std::vector<std::string> Navigations;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kEventMessage) {
        auto* event = reinterpret_cast<AxEvent*>(lParam);
        Parent.Events.push_back(event->DispId);
        if (event->Params && event->Params->cArgs == 1 && event->Params->rgvarg[0].vt == VT_BSTR)
            Parent.Argument = event->Params->rgvarg[0].bstrVal;
        if (Parent.DestroyHostOnEvent) DestroyWindow(GetDlgItem(window, kHostId));
        return 0;
    }
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == kAxHostResized) ++Parent.Resized;
    return DefWindowProcW(window, message, wParam, lParam);
}

void RecordCallback(AxEvent* event) {
    Callbacks.push_back(event->DispId);
}

HRESULT RecordNavigation(const char* address, AxHostSite*) {
    Navigations.push_back(address);
    return S_OK;
}

class AxHost : public testing::Test {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        RegisterAxHostClass();
        WNDCLASSW parentClass{};
        parentClass.lpfnWndProc = ParentProc;
        parentClass.hInstance = GetModuleHandleW(nullptr);
        parentClass.lpszClassName = L"AxTestParent";
        RegisterClassW(&parentClass);
        registered_ = RegisterTestControl();
    }

    void SetUp() override {
        ASSERT_TRUE(registered_) << "regsvr32 could not register the test control";
        Parent = Seen{};
        Callbacks.clear();
        Navigations.clear();
        parent_ = CreateWindowExW(0, L"AxTestParent", L"AX host test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
    }

    void TearDown() override {
        DestroyWindow(parent_);
        EXPECT_EQ(TestControlCount(kLiveObjectsExport), 0) << "control objects still alive";
        EXPECT_EQ(TestControlCount(kHeldSiteReferencesExport), 0) << "the control still holds its container";
    }

    HWND Host(const wchar_t* text) {
        return CreateWindowExW(0, kAxHostClass, text, WS_CHILD | WS_VISIBLE, 0, 0, 300, 100, parent_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHostId)),
                               GetModuleHandleW(nullptr), nullptr);
    }

    static IDispatch* Dispatch(HWND host) {
        IDispatch* dispatch = nullptr;
        SendMessageW(host, AX_QUERY_INTERFACE, reinterpret_cast<WPARAM>(&kTestControlDispatch),
                     reinterpret_cast<LPARAM>(&dispatch));
        return dispatch;
    }

    static HRESULT Call(IDispatch* control, DISPID id, WORD flags, std::vector<VARIANT> arguments,
                        VARIANT* result = nullptr) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    }

    static VARIANT Text(const wchar_t* text) {
        VARIANT value;
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(text);
        return value;
    }

    // Raises BeforeNavigate2 from the control; true when a sink cancelled it.
    static bool Navigate(IDispatch* control, const wchar_t* address, const wchar_t* frame = nullptr) {
        std::vector<VARIANT> arguments; // the last argument first
        if (frame) arguments.push_back(Text(frame));
        arguments.push_back(Text(address));
        VARIANT cancel;
        VariantInit(&cancel);
        Call(control, kDispNavigate, DISPATCH_METHOD, arguments, &cancel);
        for (VARIANT& argument : arguments) VariantClear(&argument);
        return cancel.vt == VT_BOOL && cancel.boolVal == VARIANT_TRUE;
    }

    static DWORD Connect(HWND host) {
        AxEventConnection connection;
        connection.Interface = kTestControlEvents;
        SendMessageW(host, AX_CONNECT_EVENTS, reinterpret_cast<WPARAM>(&kTestControlEvents),
                     reinterpret_cast<LPARAM>(&connection));
        return connection.Cookie;
    }

    HWND parent_ = nullptr;
    static bool registered_;
};

bool AxHost::registered_ = false;

TEST_F(AxHost, HostsTheControlInPlaceAndSetsItsProperty) {
    HWND host = Host(kTestControlClsidText);
    ASSERT_NE(host, nullptr);
    ASSERT_NE(SendMessageW(host, AX_GET_SITE, 0, 0), 0);

    EXPECT_EQ(SendMessageW(host, AX_ACTIVATE, 1, 0), 1);
    EXPECT_EQ(SendMessageW(host, AX_ACTIVATE, 1, 0), 0) << "a second activation changes nothing";
    HWND shown = FindWindowExW(host, nullptr, kTestControlWindowClass, nullptr);
    ASSERT_NE(shown, nullptr) << "the control made its window inside the host";

    MoveWindow(host, 0, 0, 320, 140, TRUE);
    EXPECT_GE(Parent.Resized, 1) << "the parent hears of the new size";
    RECT placed{};
    GetClientRect(shown, &placed);
    EXPECT_EQ(placed.right, 320);
    EXPECT_EQ(placed.bottom, 140);

    IDispatch* control = Dispatch(host);
    ASSERT_NE(control, nullptr);
    VARIANT value = Text(L"set through the host");
    EXPECT_EQ(Call(control, kDispValue, DISPATCH_PROPERTYPUT, {value}), S_OK);
    VariantClear(&value);
    VARIANT read;
    VariantInit(&read);
    EXPECT_EQ(Call(control, kDispValue, DISPATCH_PROPERTYGET, {}, &read), S_OK);
    ASSERT_EQ(read.vt, VT_BSTR);
    EXPECT_STREQ(read.bstrVal, L"set through the host");
    VariantClear(&read);
    control->Release();

    EXPECT_EQ(SendMessageW(host, AX_ACTIVATE, 0, 0), 1);
    EXPECT_EQ(SendMessageW(host, AX_ACTIVATE, 0, 0), 0) << "deactivating an inactive control";
    EXPECT_EQ(FindWindowExW(host, nullptr, kTestControlWindowClass, nullptr), nullptr);
    SendMessageW(host, AX_ACTIVATE, 1, 0);
    DestroyWindow(host); // active: the host deactivates and lets go of it
}

TEST_F(AxHost, DeliversEventsAsMessagesAndCallbacks) {
    HWND host = Host(kTestControlClsidText);
    ASSERT_NE(host, nullptr);
    SendMessageW(host, AX_ACTIVATE, 1, 0);
    const long heldBefore = TestControlCount(kHeldSiteReferencesExport);
    ASSERT_NE(Connect(host), 0u);
    ASSERT_NE(Connect(host), 0u) << "a second connection replaces the first";
    EXPECT_EQ(TestControlCount(kHeldSiteReferencesExport), heldBefore + 1) << "the first was let go";

    IDispatch* control = Dispatch(host);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(SendMessageW(host, AX_NOTIFY_EVENTS, reinterpret_cast<WPARAM>(parent_), kEventMessage), 1);
    Call(control, kDispFire, DISPATCH_METHOD, {});
    EXPECT_EQ(Parent.Events, std::vector<DISPID>{kEventFired});
    EXPECT_EQ(Parent.Argument, L"Test control");

    EXPECT_EQ(SendMessageW(host, AX_SET_EVENT_CALLBACK, reinterpret_cast<WPARAM>(&RecordCallback), 0), 1);
    Call(control, kDispFire, DISPATCH_METHOD, {});
    EXPECT_EQ(Callbacks, std::vector<DISPID>{kEventFired});
    EXPECT_EQ(Parent.Events.size(), 2u);

    SendMessageW(host, AX_DISCONNECT_EVENTS, 0, 0);
    EXPECT_EQ(TestControlCount(kHeldSiteReferencesExport), heldBefore);
    Call(control, kDispFire, DISPATCH_METHOD, {});
    EXPECT_EQ(Callbacks.size(), 1u) << "no events once disconnected";
    control->Release();
    DestroyWindow(host);
}

TEST_F(AxHost, DropsEventsThatArriveAfterTheWindowClosed) {
    HWND host = Host(kTestControlClsidText);
    ASSERT_NE(host, nullptr);
    ASSERT_NE(Connect(host), 0u);
    IDispatch* control = Dispatch(host);
    ASSERT_NE(control, nullptr);
    SendMessageW(host, AX_NOTIFY_EVENTS, reinterpret_cast<WPARAM>(parent_), kEventMessage);
    SendMessageW(host, AX_SET_EVENT_CALLBACK, reinterpret_cast<WPARAM>(&RecordCallback), 0);

    // The owner closes the host while the event is being delivered: the rest of it is dropped.
    Parent.DestroyHostOnEvent = true;
    Call(control, kDispFire, DISPATCH_METHOD, {});
    EXPECT_FALSE(IsWindow(host));
    EXPECT_EQ(Parent.Events.size(), 1u);
    EXPECT_TRUE(Callbacks.empty());

    // A sink connection the owner kept itself still reaches the closed site: nothing is delivered.
    Parent.DestroyHostOnEvent = false;
    host = Host(kTestControlClsidText);
    ASSERT_NE(host, nullptr);
    ASSERT_NE(Connect(host), 0u);
    auto* site = reinterpret_cast<IUnknown*>(SendMessageW(host, AX_GET_SITE, 0, 0));
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
    const DWORD cookie = AxConnectEvents(control, kTestControlEvents, site, &container, &point);
    ASSERT_NE(cookie, 0u);
    SendMessageW(host, AX_NOTIFY_EVENTS, reinterpret_cast<WPARAM>(parent_), kEventMessage);
    DestroyWindow(host);
    Parent.Events.clear();
    Call(control, kDispFire, DISPATCH_METHOD, {});
    EXPECT_TRUE(Parent.Events.empty());
    AxDisconnectEvents(container, point, cookie);
    control->Release();
}

TEST_F(AxHost, CancelsAndReportsOnlyLowerCaseAppAddresses) {
    HWND host = Host(kTestControlClsidText);
    ASSERT_NE(host, nullptr);
    ASSERT_NE(Connect(host), 0u);
    ASSERT_TRUE(AxSetNavigationCallback(host, &RecordNavigation));
    IDispatch* control = Dispatch(host);
    ASSERT_NE(control, nullptr);

    EXPECT_TRUE(Navigate(control, L"app:5"));
    EXPECT_FALSE(Navigate(control, L"APP:5")) << "the head is compared with its case";
    EXPECT_FALSE(Navigate(control, L"https://example.invalid/", L"app:996"))
        << "a frame name is not the address";
    EXPECT_EQ(Navigations, std::vector<std::string>{"app:5"});
    control->Release();
    DestroyWindow(host);
}

TEST_F(AxHost, CountsDataFormatsAndRefusesIndexesOutsideThem) {
    HWND host = Host(kTestControlClsidText);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(SendMessageW(host, AX_DATA_ADVISE, static_cast<WPARAM>(-1), DATADIR_GET), 3);
    EXPECT_EQ(SendMessageW(host, AX_DATA_ADVISE, 0, DATADIR_GET), 1);
    EXPECT_EQ(SendMessageW(host, AX_DATA_ADVISE, 2, DATADIR_GET), 1);
    EXPECT_EQ(SendMessageW(host, AX_DATA_ADVISE, 3, DATADIR_GET), 0);
    EXPECT_EQ(SendMessageW(host, AX_DATA_ADVISE, 100, DATADIR_GET), 0);
    EXPECT_EQ(SendMessageW(host, AX_DATA_ADVISE, 1000, DATADIR_GET), 0);
    DestroyWindow(host); // the advise connections go with it
}

TEST_F(AxHost, CreatesOnlyForAClassOrALaterObject) {
    EXPECT_EQ(Host(L"not a class id"), nullptr);
    EXPECT_EQ(Host(L"{00000000-0000-0000-0000-0000000000A1}"), nullptr) << "no such class";

    HWND waiting = Host(L"}6A3F5B10-2C4E-4D8A-9B1F-0E7C3D2A5B61}");
    ASSERT_NE(waiting, nullptr);
    EXPECT_EQ(SendMessageW(waiting, AX_GET_SITE, 0, 0), 0);
    EXPECT_EQ(SendMessageW(waiting, AX_ACTIVATE, 1, 0), 0);
    EXPECT_EQ(SendMessageW(waiting, AX_CREATE_DEFERRED, 0, 0), 0) << "nothing to host";
    EXPECT_EQ(SendMessageW(waiting, AX_GET_SITE, 0, 0), 0);

    IUnknown* object = nullptr;
    ASSERT_EQ(CoCreateInstance(kTestControlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(SendMessageW(waiting, AX_CREATE_DEFERRED, 0, reinterpret_cast<LPARAM>(object)), 1);
    object->Release();
    EXPECT_EQ(SendMessageW(waiting, AX_ACTIVATE, 1, 0), 1);
    EXPECT_NE(FindWindowExW(waiting, nullptr, kTestControlWindowClass, nullptr), nullptr);
    DestroyWindow(waiting);
}

} // namespace
