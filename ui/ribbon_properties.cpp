// The ribbon's global colours, its visibility and its minimised state, all kept in property stores
// of the framework and of its view.
#include "ui/ribbon.h"

#include <cmath>

namespace {

// The store is released by the caller.
HRESULT FrameworkStore(RibbonHost* host, IPropertyStore** store) {
    *store = nullptr;
    if (!host || !host->Framework) return E_POINTER;
    return host->Framework->QueryInterface(__uuidof(IPropertyStore), reinterpret_cast<void**>(store));
}

HRESULT ViewStore(RibbonHost* host, IPropertyStore** store) {
    *store = nullptr;
    if (!host || !host->Ribbon) return E_POINTER;
    return host->Ribbon->QueryInterface(__uuidof(IPropertyStore), reinterpret_cast<void**>(store));
}

HRESULT SetAndCommit(IPropertyStore* store, const PROPERTYKEY& key, const PROPVARIANT& value) {
    HRESULT result = store->SetValue(key, value);
    if (SUCCEEDED(result)) result = store->Commit();
    store->Release();
    return result;
}

HRESULT SetColor(RibbonHost* host, const PROPERTYKEY& key, uint32_t color, bool alreadyHsb) {
    IPropertyStore* store = nullptr;
    const HRESULT found = FrameworkStore(host, &store);
    if (FAILED(found) || !store) return FAILED(found) ? found : E_NOINTERFACE;
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_UI4;
    value.ulVal = alreadyHsb ? color : RgbToRibbonHsb(color);
    return SetAndCommit(store, key, value);
}

uint32_t GetColor(RibbonHost* host, const PROPERTYKEY& key) {
    IPropertyStore* store = nullptr;
    if (FAILED(FrameworkStore(host, &store)) || !store) return 0xFFFFFFFF;
    PROPVARIANT value;
    PropVariantInit(&value);
    uint32_t color = 0xFFFFFFFF;
    if (SUCCEEDED(store->GetValue(key, &value)) && value.vt == VT_UI4) color = value.ulVal;
    PropVariantClear(&value);
    store->Release();
    return color;
}

HRESULT SetFlag(RibbonHost* host, const PROPERTYKEY& key, bool on) {
    IPropertyStore* store = nullptr;
    const HRESULT found = ViewStore(host, &store);
    if (FAILED(found) || !store) return FAILED(found) ? found : E_NOINTERFACE;
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    return SetAndCommit(store, key, value);
}

bool GetFlag(RibbonHost* host, const PROPERTYKEY& key) {
    IPropertyStore* store = nullptr;
    if (FAILED(ViewStore(host, &store)) || !store) return false;
    PROPVARIANT value;
    PropVariantInit(&value);
    bool on = false;
    if (SUCCEEDED(store->GetValue(key, &value)) && value.vt == VT_BOOL) on = value.boolVal != VARIANT_FALSE;
    PropVariantClear(&value);
    store->Release();
    return on;
}

} // namespace

uint32_t RgbToRibbonHsb(uint32_t rgb) {
    const double r = (rgb & 0xFF) / 255.0, g = ((rgb >> 8) & 0xFF) / 255.0, b = ((rgb >> 16) & 0xFF) / 255.0;
    const double high = std::fmax(r, std::fmax(g, b)), low = std::fmin(r, std::fmin(g, b));
    const double light = (high + low) / 2;
    double hue = 0, saturation = 0;
    const double d = high - low;
    if (light > 0 && d > 0) {
        saturation = light <= 0.5 ? d / (high + low) : d / (2 - high - low);
        const double rr = (high - r) / d, gg = (high - g) / d, bb = (high - b) / d;
        if (r == high)
            hue = g == low ? 5 + bb : 1 - gg;
        else if (g != high)
            hue = r == low ? 3 + gg : 5 - rr;
        else
            hue = b == low ? 1 + rr : 3 - bb;
        hue /= 6;
    }
    // Brightness follows the framework's curve between the bounds and is linear outside them.
    const double brightness = light >= static_cast<double>(0.1793f) && light <= static_cast<double>(0.9821f)
                                  ? 257.7 + 149.9 * std::log(light)
                                  : light * 255;
    const uint32_t h = static_cast<uint32_t>(static_cast<int32_t>(hue * 255)) & 0xFF;
    const uint32_t s = static_cast<uint32_t>(static_cast<int32_t>(saturation * 255)) & 0xFF;
    const uint32_t v = static_cast<uint32_t>(static_cast<int32_t>(brightness)) & 0xFF;
    return h | s << 8 | v << 16;
}

HRESULT RibbonSetBackgroundColor(RibbonHost* host, uint32_t color, bool alreadyHsb) {
    return SetColor(host, kUiKeyGlobalBackgroundColor, color, alreadyHsb);
}
HRESULT RibbonSetTextColor(RibbonHost* host, uint32_t color, bool alreadyHsb) {
    return SetColor(host, kUiKeyGlobalTextColor, color, alreadyHsb);
}
HRESULT RibbonSetHighlightColor(RibbonHost* host, uint32_t color, bool alreadyHsb) {
    return SetColor(host, kUiKeyGlobalHighlightColor, color, alreadyHsb);
}
uint32_t RibbonGetBackgroundColor(RibbonHost* host) {
    return GetColor(host, kUiKeyGlobalBackgroundColor);
}
uint32_t RibbonGetTextColor(RibbonHost* host) {
    return GetColor(host, kUiKeyGlobalTextColor);
}
uint32_t RibbonGetHighlightColor(RibbonHost* host) {
    return GetColor(host, kUiKeyGlobalHighlightColor);
}

HRESULT RibbonShow(RibbonHost* host) {
    return SetFlag(host, kUiKeyViewable, true);
}
HRESULT RibbonHide(RibbonHost* host) {
    return SetFlag(host, kUiKeyViewable, false);
}
bool RibbonIsVisible(RibbonHost* host) {
    return GetFlag(host, kUiKeyViewable);
}
HRESULT RibbonMinimize(RibbonHost* host) {
    return SetFlag(host, kUiKeyMinimized, true);
}
HRESULT RibbonRestore(RibbonHost* host) {
    return SetFlag(host, kUiKeyMinimized, false);
}
bool RibbonIsMinimized(RibbonHost* host) {
    return GetFlag(host, kUiKeyMinimized);
}
