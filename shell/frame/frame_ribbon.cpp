#include "shell/frame/frame_ribbon.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "core/settings.h"
#include "core/frame_handles.h"
#include "core/resource_library.h"
#include "core/window_record.h"
#include "shell/windows/active_window.h"
#include "shell/controls/chat_layout.h"
#include "shell/frame/frame_window.h"
#include "shell/preferences/apply_settings.h"
#include "ui/ribbon.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <oleauto.h>

#include <cmath>
#include <cwchar>

namespace {

constexpr uint32_t kKeepColour = 0xFFFFFFFF;

bool ReadUInt(IPropertyStore* store, const PROPERTYKEY& key, uint32_t& out) {
    PROPVARIANT value;
    PropVariantInit(&value);
    const bool ok = SUCCEEDED(store->GetValue(key, &value)) && value.vt == VT_UI4;
    if (ok) out = value.ulVal;
    PropVariantClear(&value);
    return ok;
}

// The ribbon's font command: the chosen font becomes the view, input and nick list font.
void ApplyRibbonFont(const RibbonRequest& request) {
    if (!request.CurrentValue || request.CurrentValue->vt != VT_UNKNOWN || !request.CurrentValue->punkVal)
        return;
    IPropertyStore* store = nullptr;
    if (FAILED(request.CurrentValue->punkVal->QueryInterface(__uuidof(IPropertyStore),
                                                             reinterpret_cast<void**>(&store))) ||
        !store)
        return;
    PROPVARIANT family, size;
    PropVariantInit(&family);
    PropVariantInit(&size);
    store->GetValue(kUiKeyFontFamily, &family);
    store->GetValue(kUiKeyFontSize, &size);
    int32_t points = 0;
    if (size.vt == VT_I4) points = size.lVal;
    if (size.vt == VT_DECIMAL) {
        double value = 0;
        if (SUCCEEDED(VarR8FromDec(&size.decVal, &value))) points = static_cast<int32_t>(std::lround(value));
    }
    uint32_t bold = 0, italic = 0, underline = 0, strike = 0;
    ReadUInt(store, kUiKeyFontBold, bold);
    ReadUInt(store, kUiKeyFontItalic, italic);
    ReadUInt(store, kUiKeyFontUnderline, underline);
    ReadUInt(store, kUiKeyFontStrikethrough, strike);
    const bool named = family.vt == VT_LPWSTR && family.pwszVal && family.pwszVal[0];
    if (named && points != 0) {
        LOGFONTW font{};
        HDC screen = GetDC(nullptr);
        font.lfHeight = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        font.lfWeight = bold == 2 ? FW_BOLD : FW_NORMAL;
        font.lfItalic = italic != kUiFontPropertiesNotSet && italic != 0;
        font.lfUnderline = underline != kUiFontPropertiesNotSet && underline != 0;
        font.lfStrikeOut = strike != kUiFontPropertiesNotSet && strike != 0;
        wcsncpy(font.lfFaceName, family.pwszVal, LF_FACESIZE - 1);
        for (const char* key : {"View_Font", "Input_Font", "List_Font"})
            if (!Settings::FontText(key).empty())
                XmlWriteProfileBinary(Settings::Sections::Font, key, &font, sizeof font, nullptr,
                                      UserConfigDocument);
        FontsChanged = 1;
        ApplySettings();
    }
    PropVariantClear(&family);
    PropVariantClear(&size);
    store->Release();
}

bool ReadExecutionColour(const RibbonRequest& request, uint32_t& colour) {
    if (!request.CurrentValue || !request.ExecutionProperties) return false;
    PROPVARIANT value;
    PropVariantInit(&value);
    const bool ok =
        SUCCEEDED(request.ExecutionProperties->GetValue(kUiKeyColor, &value)) && value.vt == VT_UI4;
    if (ok) colour = value.ulVal;
    PropVariantClear(&value);
    return ok;
}

void WriteColour(const SettingKey& setting, uint32_t colour) {
    XmlWriteProfileInt(setting.Section, setting.Key, static_cast<int32_t>(colour), nullptr,
                       UserConfigDocument);
}

// The ribbon's colour choosers: the colour the user chose, written to its settings and shown.
void ChooseBackgroundColour(RibbonHost*, uint32_t colour) {
    WriteColour(Settings::Keys::BackgroundColour, colour);
    WriteColour(Settings::Keys::InputBackgroundColour, colour);
    WriteColour(Settings::Keys::ListBackgroundColour, colour);
    GiveColoursToAllWindows();
}

void ChooseTextColour(RibbonHost*, uint32_t colour) {
    WriteColour(Settings::Keys::TextColour, colour);
    GiveColoursToAllWindows();
}

void ChooseInputTextColour(RibbonHost*, uint32_t colour) {
    WriteColour(Settings::Keys::InputTextColour, colour);
    GiveColoursToAllWindows();
}

// The ribbon's own colours are opaque.
void ChooseRibbonColour(RibbonHost* host, uint32_t colour) {
    WriteColour(Settings::Keys::RibbonColour, colour | 0xFF000000);
    RibbonSetBackgroundColor(host, colour | 0xFF000000, false);
}

void ChooseRibbonTextColour(RibbonHost* host, uint32_t colour) {
    WriteColour(Settings::Keys::RibbonTextColour, colour | 0xFF000000);
    RibbonSetTextColor(host, colour | 0xFF000000, false);
}

struct RibbonColourRow {
    uint32_t Id;
    void (*Choose)(RibbonHost* host, uint32_t colour);
};
constexpr RibbonColourRow kRibbonColours[] = {
    {ID_RIBBON_BACKGROUND_COLOUR, ChooseBackgroundColour}, {ID_RIBBON_TEXT_COLOUR, ChooseTextColour},
    {ID_RIBBON_INPUT_TEXT_COLOUR, ChooseInputTextColour},  {ID_RIBBON_COLOUR, ChooseRibbonColour},
    {ID_RIBBON_FOREGROUND_COLOUR, ChooseRibbonTextColour},
};

// True when the request was one of the colour choosers.
bool RunRibbonColourChooser(RibbonHost* host, uint32_t id, uint32_t colour) {
    for (const RibbonColourRow& row : kRibbonColours) {
        if (row.Id != id) continue;
        row.Choose(host, colour);
        return true;
    }
    return false;
}

bool AnswerContext(const RibbonRequest& request) {
    if (!request.Key || !SamePropertyKey(*request.Key, kUiKeyContextAvailable)) return false;
    if (!request.NewValue) return true;
    const WindowRecord* active = shell::GetActiveWindowRecord();
    const bool server = active && active->Type == kServerWindow;
    uint32_t answer = 0;
    if (request.Id == kServerContextGroup)
        answer = server ? kUiContextAvailabilityActive : 0;
    else if (request.Id == kChannelContextGroup)
        answer = active && !server ? kUiContextAvailabilityActive : 0;
    else
        return true;
    PropVariantInit(request.NewValue);
    request.NewValue->vt = VT_UI4;
    request.NewValue->ulVal = answer;
    return true;
}

} // namespace

bool shell::CreateFrameRibbon(HWND frame) {
    if (WindowsMajorVersion < 6 || (WindowsMajorVersion == 6 && WindowsMinorVersion < 1)) return false;
    if (!Settings::ShowRibbon()) return false;
    auto* host = new RibbonHost;
    RibbonHostInit(host, frame);
    FrameRibbonHost = host;
    // A framework that cannot be made or a ribbon that cannot be loaded (no compiled ribbon in
    // the resource library) leaves the frame with its menu and rebar, never with neither.
    if (!RibbonCreate(host) || !RibbonLoad(host, ResourceModule.load(), L"APPLICATION_RIBBON")) {
        DestroyFrameRibbon();
        return false;
    }
    if (const uint32_t height = RibbonHeight(host)) TopOffset = static_cast<int32_t>(height);
    const uint32_t background = Settings::RibbonColour();
    const uint32_t text = Settings::RibbonTextColour();
    if (background != kKeepColour) RibbonSetBackgroundColor(host, background, false);
    if (text != kKeepColour) RibbonSetTextColor(host, text, false);
    return true;
}

void shell::DestroyFrameRibbon() {
    RibbonHost* host = FrameRibbonHost;
    FrameRibbonHost = nullptr;
    if (!host) return;
    RibbonDestroy(host);
    delete host;
}

LRESULT shell::OnRibbonRequest(HWND frame, WPARAM wParam, LPARAM lParam) {
    auto* request = reinterpret_cast<RibbonRequest*>(lParam);
    if (!request) return 0;
    RibbonHost* host = request->Host ? request->Host : reinterpret_cast<RibbonHost*>(wParam);
    if (request->ViewType == kUiViewTypeRibbon && request->ViewVerb == kUiViewVerbSize && request->Ribbon) {
        UINT32 height = 0;
        if (SUCCEEDED(request->Ribbon->GetHeight(&height))) TopOffset = static_cast<int32_t>(height);
    }
    if (AnswerContext(*request)) return 0;
    if (request->Kind == 1) {
        // A property the frame does not answer; the ribbon's height is taken while it is asked.
        if (host && host->Ribbon) {
            TopOffset = static_cast<int32_t>(RibbonHeight(host));
            return 0;
        }
        // Without a view a property request runs no command.
        return 0;
    }
    const bool execute = request->ExecutionVerb == kUiExecutionVerbExecute && !request->View;
    if (execute && request->CommandType == kUiCommandTypeFont && request->ExecutionProperties) {
        ApplyRibbonFont(*request);
        return 0;
    }
    uint32_t colour = 0;
    if (execute && request->CommandType == kUiCommandTypeColorAnchor &&
        ReadExecutionColour(*request, colour)) {
        if (RunRibbonColourChooser(host, request->Id, colour)) return 0;
    }
    if (execute && request->CommandType == kUiCommandTypeAction)
        return SendMessageW(frame, WM_COMMAND, request->Id, 0);
    if (request->View && request->ViewType == kUiViewTypeRibbon && request->ViewVerb == kUiViewVerbSize) {
        TopOffset = static_cast<int32_t>(RibbonHeight(host));
        SendMessageW(frame, WM_SIZE, 0, 0);
    }
    return DefFrameProcW(frame, MdiClientWindow.load(), RibbonCommandMessage(), wParam, lParam);
}
