// The ribbon of the frame window: a thin layer over the Windows Ribbon framework that turns every
// callback of the framework into one synchronous WM_RIBBON_COMMAND to the frame.
#pragma once

#include "ui/ribbon_interfaces.h"

#include <windows.h>

#include <cstdint>

// The contextual tab groups whose availability follows the active window.
constexpr uint32_t kChannelContextGroup = 55555;
constexpr uint32_t kServerContextGroup = 55556;

struct RibbonApplication;

// One per frame window, owned by the frame from its creation to its destruction.
struct RibbonHost {
    HWND Owner = nullptr;
    HWND DockWindow = nullptr; // the framework's command-bar dock, found after each size change
    HRESULT LastResult = S_OK;
    RibbonApplication* Application = nullptr;
    IUIFramework* Framework = nullptr;
    IUIRibbon* Ribbon = nullptr; // none until the framework creates the view
    uint8_t Loaded = 0;
};

// lParam of WM_RIBBON_COMMAND (wParam the host); valid only during the send.
struct RibbonRequest {
    RibbonHost* Host = nullptr;
    IUIFramework* Framework = nullptr;
    IUIRibbon* Ribbon = nullptr;
    uint32_t Id = 0; // the command id, or the view id of a view notice
    uint32_t ReasonCode = 0;
    uint32_t CommandType = 0;
    uint32_t ViewType = 0;
    uint32_t ViewVerb = 0;
    uint32_t ExecutionVerb = 0;
    const PROPERTYKEY* Key = nullptr;
    const PROPVARIANT* CurrentValue = nullptr;
    PROPVARIANT* NewValue = nullptr; // a property request: the frame writes its answer here
    IUISimplePropertySet* ExecutionProperties = nullptr;
    IUnknown* View = nullptr;
    uint32_t Kind = 0; // 1 a property request, 0 otherwise
};

// The frame's registered message that carries every ribbon callback.
UINT RibbonCommandMessage();

// The frame's ribbon while it shows one, else null (set by the frame).
extern RibbonHost* FrameRibbonHost;

void RibbonHostInit(RibbonHost* host, HWND owner);
bool RibbonCreate(RibbonHost* host);
bool RibbonLoad(RibbonHost* host, HINSTANCE module, const wchar_t* resourceName);
void RibbonUnload(RibbonHost* host);
void RibbonDestroy(RibbonHost* host);
// Asks the ribbon to re-evaluate the availability of a contextual group.
void RibbonInvalidateContext(RibbonHost* host, uint32_t commandId);
// The same for the frame's ribbon; nothing while the frame shows none.
void RibbonInvalidateContext(uint32_t commandId);
bool RibbonIsAvailable();
HWND RibbonDockWindow(const RibbonHost* host);
// The height of the ribbon's view, 0 without one.
uint32_t RibbonHeight(RibbonHost* host);

// The framework's global colours. An RGB colour (COLORREF) is converted to the framework's hue,
// saturation and brightness unless alreadyHsb is set; without the framework's property store the
// query's result is returned and nothing changes.
HRESULT RibbonSetBackgroundColor(RibbonHost* host, uint32_t color, bool alreadyHsb);
HRESULT RibbonSetTextColor(RibbonHost* host, uint32_t color, bool alreadyHsb);
HRESULT RibbonSetHighlightColor(RibbonHost* host, uint32_t color, bool alreadyHsb);
uint32_t RibbonGetBackgroundColor(RibbonHost* host); // 0xFFFFFFFF without the store
uint32_t RibbonGetTextColor(RibbonHost* host);
uint32_t RibbonGetHighlightColor(RibbonHost* host);

HRESULT RibbonShow(RibbonHost* host);
HRESULT RibbonHide(RibbonHost* host);
bool RibbonIsVisible(RibbonHost* host);
HRESULT RibbonMinimize(RibbonHost* host);
HRESULT RibbonRestore(RibbonHost* host);
bool RibbonIsMinimized(RibbonHost* host);

// An RGB colour (red in the low byte) as the framework's colour: hue | saturation << 8 |
// brightness << 16.
uint32_t RgbToRibbonHsb(uint32_t rgb);
