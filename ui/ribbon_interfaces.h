// The few interfaces, identifiers and property keys of the Windows Ribbon framework that the frame's
// ribbon uses. The cross compiler's headers do not declare them; the layouts and values follow the
// published interface definitions.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <propidl.h>
#include <propsys.h>

#include <cstdint>

enum RibbonViewType : int32_t { kUiViewTypeRibbon = 1 };
enum RibbonViewVerb : int32_t { kUiViewVerbCreate = 0, kUiViewVerbDestroy = 1, kUiViewVerbSize = 2 };
enum RibbonCommandType : int32_t {
    kUiCommandTypeAction = 2,
    kUiCommandTypeFont = 9,
    kUiCommandTypeColorAnchor = 11,
};
enum RibbonExecutionVerb : int32_t { kUiExecutionVerbExecute = 0 };
constexpr int32_t kUiInvalidationsProperty = 4;
constexpr uint32_t kUiContextAvailabilityActive = 2;
constexpr uint32_t kUiFontPropertiesNotSet = 1;

struct IUICommandHandler;
struct IUISimplePropertySet;

struct IUIApplication : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnViewChanged(UINT32 viewId, int32_t typeId, IUnknown* view,
                                                    int32_t verb, INT32 reasonCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnCreateUICommand(UINT32 commandId, int32_t typeId,
                                                        IUICommandHandler** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDestroyUICommand(UINT32 commandId, int32_t typeId,
                                                         IUICommandHandler* handler) = 0;
};

struct IUICommandHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Execute(UINT32 commandId, int32_t verb, const PROPERTYKEY* key,
                                              const PROPVARIANT* currentValue,
                                              IUISimplePropertySet* executionProperties) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateProperty(UINT32 commandId, const PROPERTYKEY& key,
                                                     const PROPVARIANT* currentValue,
                                                     PROPVARIANT* newValue) = 0;
};

struct IUIFramework : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(HWND frame, IUIApplication* application) = 0;
    virtual HRESULT STDMETHODCALLTYPE Destroy() = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadUI(HINSTANCE instance, LPCWSTR resourceName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetView(UINT32 viewId, REFIID riid, void** view) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUICommandProperty(UINT32 commandId, const PROPERTYKEY& key,
                                                           PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetUICommandProperty(UINT32 commandId, const PROPERTYKEY& key,
                                                           const PROPVARIANT& value) = 0;
    virtual HRESULT STDMETHODCALLTYPE InvalidateUICommand(UINT32 commandId, int32_t flags,
                                                          const PROPERTYKEY* key) = 0;
    virtual HRESULT STDMETHODCALLTYPE FlushPendingInvalidations() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetModes(INT32 modes) = 0;
};

struct IUIRibbon : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetHeight(UINT32* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadSettingsFromStream(IStream* stream) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveSettingsToStream(IStream* stream) = 0;
};

struct IUISimplePropertySet : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetValue(const PROPERTYKEY& key, PROPVARIANT* value) = 0;
};

// {926749FA-2615-4987-8845-C33E65F2B957}
constexpr CLSID kUiRibbonFrameworkClass = {
    0x926749FA, 0x2615, 0x4987, {0x88, 0x45, 0xC3, 0x3E, 0x65, 0xF2, 0xB9, 0x57}};
// {F4F0385D-6872-43A8-AD09-4C339CB3F5C5}
constexpr IID kIidUiFramework = {
    0xF4F0385D, 0x6872, 0x43A8, {0xAD, 0x09, 0x4C, 0x33, 0x9C, 0xB3, 0xF5, 0xC5}};
// {D428903C-729A-491D-910D-682A08FF2522}
constexpr IID kIidUiApplication = {
    0xD428903C, 0x729A, 0x491D, {0x91, 0x0D, 0x68, 0x2A, 0x08, 0xFF, 0x25, 0x22}};
// {75AE0A2D-DC03-4C9F-8883-069660D0BEB6}
constexpr IID kIidUiCommandHandler = {
    0x75AE0A2D, 0xDC03, 0x4C9F, {0x88, 0x83, 0x06, 0x96, 0x60, 0xD0, 0xBE, 0xB6}};
// {803982AB-370A-4F7E-A9E7-8784036A6E26}
constexpr IID kIidUiRibbon = {0x803982AB, 0x370A, 0x4F7E, {0xA9, 0xE7, 0x87, 0x84, 0x03, 0x6A, 0x6E, 0x26}};

// The framework's property keys: the format id carries the key's number, the property id its
// variant type.
constexpr PROPERTYKEY RibbonPropertyKey(unsigned long index, VARTYPE type) {
    return PROPERTYKEY{{index, 0x7363, 0x696E, {0x84, 0x41, 0x79, 0x8A, 0xCF, 0x5A, 0xEB, 0xB7}}, type};
}
constexpr PROPERTYKEY kUiKeyFontFamily = RibbonPropertyKey(301, VT_LPWSTR);
constexpr PROPERTYKEY kUiKeyFontSize = RibbonPropertyKey(302, VT_DECIMAL);
constexpr PROPERTYKEY kUiKeyFontBold = RibbonPropertyKey(303, VT_UI4);
constexpr PROPERTYKEY kUiKeyFontItalic = RibbonPropertyKey(304, VT_UI4);
constexpr PROPERTYKEY kUiKeyFontUnderline = RibbonPropertyKey(305, VT_UI4);
constexpr PROPERTYKEY kUiKeyFontStrikethrough = RibbonPropertyKey(306, VT_UI4);
constexpr PROPERTYKEY kUiKeyColor = RibbonPropertyKey(400, VT_UI4);
constexpr PROPERTYKEY kUiKeyViewable = RibbonPropertyKey(1000, VT_BOOL);
constexpr PROPERTYKEY kUiKeyMinimized = RibbonPropertyKey(1001, VT_BOOL);
constexpr PROPERTYKEY kUiKeyContextAvailable = RibbonPropertyKey(1100, VT_UI4);
constexpr PROPERTYKEY kUiKeyGlobalBackgroundColor = RibbonPropertyKey(2000, VT_UI4);
constexpr PROPERTYKEY kUiKeyGlobalHighlightColor = RibbonPropertyKey(2001, VT_UI4);
constexpr PROPERTYKEY kUiKeyGlobalTextColor = RibbonPropertyKey(2002, VT_UI4);

inline bool SamePropertyKey(const PROPERTYKEY& a, const PROPERTYKEY& b) {
    return IsEqualGUID(a.fmtid, b.fmtid) && a.pid == b.pid;
}
