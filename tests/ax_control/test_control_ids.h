// The tests' own ActiveX control (brindlex_test_control.dll): its class, its dispatch and event
// interfaces, and the counters it exports so a test can see what the host left behind.
#pragma once

#include <windows.h>
#include <oaidl.h>

// {6A3F5B10-2C4E-4D8A-9B1F-0E7C3D2A5B61}
constexpr CLSID kTestControlClsid = {
    0x6A3F5B10, 0x2C4E, 0x4D8A, {0x9B, 0x1F, 0x0E, 0x7C, 0x3D, 0x2A, 0x5B, 0x61}};
constexpr wchar_t kTestControlClsidText[] = L"{6A3F5B10-2C4E-4D8A-9B1F-0E7C3D2A5B61}";
// The dispatch interface: property Value (1), methods Fire (2) and Navigate (3).
constexpr IID kTestControlDispatch = {
    0x6A3F5B11, 0x2C4E, 0x4D8A, {0x9B, 0x1F, 0x0E, 0x7C, 0x3D, 0x2A, 0x5B, 0x61}};
// The event interface: Fired (1, the value as its argument) and BeforeNavigate2 (250).
constexpr IID kTestControlEvents = {
    0x6A3F5B12, 0x2C4E, 0x4D8A, {0x9B, 0x1F, 0x0E, 0x7C, 0x3D, 0x2A, 0x5B, 0x61}};

constexpr DISPID kDispValue = 1;
constexpr DISPID kDispFire = 2;
// Navigate(address [, frame name]): raises BeforeNavigate2 with the seven arguments of a browser;
// returns the Cancel flag the sinks left.
constexpr DISPID kDispNavigate = 3;
constexpr DISPID kEventFired = 1;
constexpr DISPID kEventBeforeNavigate2 = 250;

constexpr wchar_t kTestControlDll[] = L"brindlex_test_control.dll";
// Exported counters: objects of the control alive, and references it holds on its container.
using TestControlCounter = long (*)();
constexpr char kLiveObjectsExport[] = "TestControlLiveObjects";
constexpr char kHeldSiteReferencesExport[] = "TestControlHeldSiteReferences";
// The control's window class while it is active in place.
constexpr wchar_t kTestControlWindowClass[] = L"BrindlexTestControlWindow";
