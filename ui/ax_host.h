// The "AX" window: a child window that hosts one COM control named by the CLSID in its window
// text and lets its owner drive it with private messages (all sent with SendMessageW).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <cstdint>

constexpr wchar_t kAxHostClass[] = L"AX";

// wParam the interface id, lParam the out pointer: QueryInterface on the control; the HRESULT.
constexpr UINT AX_QUERY_INTERFACE = 1025;
// wParam 1 activates in place, 0 deactivates; lParam non-zero hides the in-place interfaces from
// the control. 1 when the state changed, 0 when it already was so.
constexpr UINT AX_ACTIVATE = 1026;
// The window's AxHostSite, or 0.
constexpr UINT AX_GET_SITE = 1027;
// wParam the event interface id, lParam an AxEventConnection: connects the sink (none: the site)
// to the control's connection point of that interface. The site keeps one such connection.
constexpr UINT AX_CONNECT_EVENTS = 1028;
// Ends the connection of AX_CONNECT_EVENTS.
constexpr UINT AX_DISCONNECT_EVENTS = 1029;
// wParam a data format index, or -1 for the number of formats; lParam the data direction. With
// an index below the number of formats (and below 100) advises the site on that format; 1.
constexpr UINT AX_DATA_ADVISE = 1030;
// wParam a window that gets the WM_COMMAND messages reaching the host.
constexpr UINT AX_FORWARD_COMMANDS = 1032;
// wParam a window, lParam a message: every event is sent there with lParam an AxEvent.
constexpr UINT AX_NOTIFY_EVENTS = 1033;
// lParam an IServiceProvider that answers the control's QueryService (the host holds it).
constexpr UINT AX_SET_SERVICE_PROVIDER = 1034;
// wParam an AxEventCallback called with every event.
constexpr UINT AX_SET_EVENT_CALLBACK = 1035;
// lParam an object to host, for a window created with a text that begins with "}"; 1 when hosted.
constexpr UINT AX_CREATE_DEFERRED = 1036;

// The code of the WM_NOTIFY a host sends its parent when it is resized.
constexpr UINT kAxHostResized = 1;
// Data advise slots of one host.
constexpr uint32_t kAxDataAdviseSlots = 100;

class AxHostSite;

// One event of the control, valid while the handlers run.
struct AxEvent {
    AxHostSite* Site = nullptr;
    DISPID DispId = 0;
    GUID Interface{};
    LCID Locale = 0;
    WORD Flags = 0;
    DISPPARAMS* Params = nullptr;
    VARIANT* Result = nullptr;
    EXCEPINFO* Exception = nullptr;
    UINT* ArgumentError = nullptr;
};

// AX_CONNECT_EVENTS: Sink and Interface in, the rest out. The container and the connection
// point stay the host's: they are released when the connection ends.
struct AxEventConnection {
    IUnknown* Sink = nullptr;
    IConnectionPointContainer* Container = nullptr;
    IConnectionPoint* Point = nullptr;
    DWORD Cookie = 0;
    GUID Interface{};
};

using AxEventCallback = void (*)(AxEvent* event);
// Gets the address (ANSI) of a navigation to an "app:" address, which is cancelled; its result
// is the event's.
using AxNavigationCallback = HRESULT (*)(const char* address, AxHostSite* site);

ATOM RegisterAxHostClass();

// For owners that hold a control themselves: connects the sink to the control's connection point
// of the interface and returns the cookie (0 on failure); the container and the point are
// handed back, to be given to AxDisconnectEvents.
DWORD AxConnectEvents(IUnknown* control, REFIID eventInterface, IUnknown* sink,
                      IConnectionPointContainer** container, IConnectionPoint** point);
void AxDisconnectEvents(IConnectionPointContainer* container, IConnectionPoint* point, DWORD cookie);

// Sets the navigation callback of the host's site; false when the window hosts nothing.
bool AxSetNavigationCallback(HWND host, AxNavigationCallback callback);
