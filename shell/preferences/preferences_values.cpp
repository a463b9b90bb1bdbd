#include "shell/preferences/preferences_parts.h"

#include "common/text_replace.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "markup/strip_format_codes.h"
#include "shell/preferences/apply_settings.h"
#include "ui/prompt_dialogs.h"
#include "views/line_printer.h"
#include "views/line_text_steps.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <commdlg.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace {

constexpr size_t kTextCapacity = 1000;
constexpr size_t kWaveFormatSize = 38;
// A font or sound format that was never chosen (the program uses its own) or cannot be read.
constexpr const wchar_t* kNotChosen = L"<...>";

// The settings document whose tree holds the element.
XmlDocument* OwningDocument(XmlElement* element) {
    XmlElement* top = element;
    while (top && XmlElementGetParent(top)) top = XmlElementGetParent(top);
    for (XmlDocument* document : {UserConfigDocument, ExtrasDocument})
        if (document && XmlDocumentGetRoot(document) == top) return document;
    return nullptr;
}

XmlDocument* OwningDocument(XmlVariable* variable) {
    return OwningDocument(XmlVariableGetOwner(variable));
}

std::string NameOf(XmlElement* element) {
    return element ? XmlElementGetNameString(element) : std::string();
}

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

void Show(wchar_t* text, const std::wstring& shown) {
    const size_t length = std::min(shown.size(), kTextCapacity - 1);
    std::wmemcpy(text, shown.c_str(), length);
    text[length] = L'\0';
}

std::wstring FontText(const LOGFONTW& font) {
    HDC screen = GetDC(nullptr);
    const int points =
        MulDiv(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight, 72, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    wchar_t text[LF_FACESIZE + 32] = {};
    std::swprintf(text, LF_FACESIZE + 32, L"%ls - %u", font.lfFaceName, static_cast<unsigned>(points));
    return text;
}

std::wstring WaveText(const WAVEFORMATEX& format) {
    wchar_t text[128] = {};
    std::swprintf(text, 128, L"Tag %u - %uHz - %u Channels - %u Bits - %u Bps", format.wFormatTag,
                  static_cast<unsigned>(format.nSamplesPerSec), format.nChannels, format.wBitsPerSample,
                  static_cast<unsigned>(format.nAvgBytesPerSec));
    return text;
}

// A colour setting of -1 (the ribbon's) leaves the colour to the system.
constexpr COLORREF kSystemColour = 0xFFFFFFFF;

std::wstring ColourText(COLORREF colour) {
    if (colour == kSystemColour) return L"System colour";
    wchar_t text[40] = {};
    std::swprintf(text, 40, L"%u,%u,%u", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

bool ReadFont(XmlVariable* variable, LOGFONTW& font) {
    XmlDocumentReadLock lock(OwningDocument(variable));
    return XmlVariableGetBinary(variable, &font, sizeof font) == sizeof font;
}

bool ReadWave(XmlVariable* variable, uint8_t (&format)[kWaveFormatSize]) {
    XmlDocumentReadLock lock(OwningDocument(variable));
    return XmlVariableGetBinary(variable, format, kWaveFormatSize) >= sizeof(WAVEFORMATEX) - 2;
}

uint32_t ReadNumber(XmlVariable* variable) {
    XmlDocumentReadLock lock(OwningDocument(variable));
    return XmlVariableGetUInt(variable);
}

int ChooseFontValue(HWND window, XmlVariable* variable, wchar_t* text) {
    LOGFONTW font{};
    const bool stored = ReadFont(variable, font);
    CHOOSEFONTW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = window;
    choose.lpLogFont = &font;
    // No printer is asked for: its fonts need the printer's device context.
    choose.Flags = CF_SCREENFONTS | (stored ? CF_INITTOLOGFONTSTRUCT : 0);
    if (!ChooseFontW(&choose)) return kPreferenceUnchanged;
    {
        XmlDocumentWriteLock lock(OwningDocument(variable));
        XmlVariableSetBinary(variable, &font, sizeof font);
    }
    FontsChanged = 1;
    Show(text, FontText(font));
    return kPreferenceChanged;
}

int ChooseWaveValue(HWND window, XmlVariable* variable, const std::string& name, wchar_t* text) {
    uint8_t format[kWaveFormatSize] = {};
    const bool stored = ReadWave(variable, format);
    ACMFORMATCHOOSEW choose{};
    choose.cbStruct = sizeof choose;
    choose.fdwStyle = stored ? ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT : 0;
    choose.hwndOwner = window;
    choose.pwfx = reinterpret_cast<WAVEFORMATEX*>(format);
    choose.cbwfx = kWaveFormatSize;
    choose.fdwEnum = Contains(name, "In_WaveFormat") ? ACM_FORMATENUMF_OUTPUT : ACM_FORMATENUMF_INPUT;
    if (acmFormatChooseW(&choose) != MMSYSERR_NOERROR) return kPreferenceUnchanged;
    {
        XmlDocumentWriteLock lock(OwningDocument(variable));
        XmlVariableSetBinary(variable, format, kWaveFormatSize);
    }
    Show(text, WaveText(*reinterpret_cast<WAVEFORMATEX*>(format)));
    return kPreferenceChanged;
}

int ChooseColourValue(HWND window, XmlVariable* variable, wchar_t* text) {
    static COLORREF custom[16] = {};
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = window;
    choose.rgbResult = ReadNumber(variable);
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorW(&choose)) return kPreferenceUnchanged;
    {
        XmlDocumentWriteLock lock(OwningDocument(variable));
        XmlVariableSetUInt(variable, choose.rgbResult);
    }
    ColoursChanged = 1;
    Show(text, ColourText(choose.rgbResult));
    return kPreferenceChanged;
}

int ChooseHotkeyValue(HWND window, XmlVariable* variable, wchar_t* text) {
    const uint32_t value = ui::PromptHotkey(window, L"", L"", ReadNumber(variable));
    if (value == ui::kNoHotkey) return kPreferenceUnchanged;
    {
        XmlDocumentWriteLock lock(OwningDocument(variable));
        XmlVariableSetUInt(variable, value);
    }
    Show(text, std::to_wstring(value));
    return kPreferenceChanged;
}

bool IsCatalogueSection(const std::string& name) {
    return name == "Languages" || name == "Plugins" || name == "Premade_Scripts" || name == "Skins";
}

void SetPaneBackground(HWND window, const std::string& name) {
    HWND pane = GetDlgItem(window, 1002);
    if (Contains(name, "_Format"))
        SendMessageW(pane, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(Settings::BackgroundColour()));
    else
        SendMessageW(pane, EM_SETBKGNDCOLOR, 1, 0);
}

} // namespace

void FillConfigurationView() {
    if (XmlElementGetChildCount(&ConfigurationView) > 0) return;
    const struct {
        XmlDocument* Document;
        const char* Name;
    } sections[] = {{UserConfigDocument, "Cfg"},        {UserConfigDocument, "Servers"},
                    {UserConfigDocument, "Scripts"},    {UserConfigDocument, "Special_Scripts"},
                    {UserConfigDocument, "Notes"},      {ExtrasDocument, "Languages"},
                    {ExtrasDocument, "Plugins"},        {ExtrasDocument, "Skins"},
                    {ExtrasDocument, "Premade_Scripts"}};
    for (const auto& section : sections) {
        if (!section.Document) continue;
        XmlDocumentWriteLock lock(section.Document);
        if (XmlElement* child = XmlElementFindChild(XmlDocumentGetRoot(section.Document), section.Name, 1))
            XmlElementInsertBorrowedChild(&ConfigurationView, child);
    }
}

bool PreferencesLabel(XmlElement* element, wchar_t* text) {
    XmlDocumentReadLock lock(OwningDocument(element));
    const std::string name = NameOf(element);
    if (name == "Cfg") {
        Show(text, L"Options");
        return true;
    }
    const std::string parent = NameOf(XmlElementGetParent(element));
    if (!Contains(parent, "Scripts")) return false;
    const XmlVariable* label = XmlElementFindVariableView(element, "name");
    if (!label) return false;
    std::wstring shown = NarrowToWide(XmlVariableGetValueString(label));
    if (parent == "Scripts") CharUpperBuffW(shown.data(), static_cast<DWORD>(shown.size()));
    Show(text, shown);
    return true;
}

bool PreferencesDisplayText(XmlVariable* variable, wchar_t* text) {
    if (!variable) return false;
    const std::string name = XmlVariableGetNameString(variable);
    if (Contains(name, "_Font")) {
        LOGFONTW font{};
        Show(text, ReadFont(variable, font) ? FontText(font) : kNotChosen);
        return true;
    }
    if (Contains(name, "_WaveFormat")) {
        uint8_t format[kWaveFormatSize] = {};
        Show(text,
             ReadWave(variable, format) ? WaveText(*reinterpret_cast<WAVEFORMATEX*>(format)) : kNotChosen);
        return true;
    }
    if (Contains(name, "_Color")) {
        Show(text, ColourText(ReadNumber(variable)));
        return true;
    }
    if (HasReadableForm(name)) {
        std::string value;
        {
            XmlDocumentReadLock lock(OwningDocument(variable));
            value = XmlVariableGetValueString(variable);
        }
        Show(text, ReadableForm(name, value));
        return true;
    }
    return false;
}

bool HasReadableForm(const std::string& name) {
    return name == "TimeStamp_String" || Contains(name, "_Format");
}

std::wstring ReadableForm(const std::string& name, std::string value) {
    UnescapeString(value, false);
    std::wstring text = StripFormatCodes(NarrowToWide(value), kStripAll);
    std::erase_if(text, [](wchar_t c) { return c < L' '; });
    if (name == "TimeStamp_String") {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        text = FormatTimeStamp(text, now.wHour, now.wMinute, now.wSecond);
    }
    return text;
}

bool PreferenceColour(XmlVariable* variable, COLORREF& colour) {
    if (!variable || !Contains(XmlVariableGetNameString(variable), "_Color")) return false;
    colour = ReadNumber(variable);
    return colour != kSystemColour;
}

int EditPreferenceValue(HWND window, XmlVariable* variable, wchar_t* text) {
    if (!variable) return kPreferenceUnchanged;
    XmlElement* owner = XmlVariableGetOwner(variable);
    const std::string ownerName = NameOf(owner);
    const std::string parentName = NameOf(XmlElementGetParent(owner));
    const std::string name = XmlVariableGetNameString(variable);
    SetPaneBackground(window, name);
    if (ownerName == "Options2") return kPreferenceUnchanged;
    if (name == "Download" && IsCatalogueSection(parentName)) {
        StartCatalogueDownload(window, variable);
        return kPreferenceUnchanged;
    }
    if (Contains(name, "Keyboard_Trigger")) return ChooseHotkeyValue(window, variable, text);
    if (Contains(name, "_Font")) return ChooseFontValue(window, variable, text);
    if (Contains(name, "_WaveFormat")) return ChooseWaveValue(window, variable, name, text);
    if (Contains(name, "_Color")) return ChooseColourValue(window, variable, text);
    if (Contains(name, "Gradient")) {
        XmlDocumentReadLock lock(OwningDocument(variable));
        Show(text, NarrowToWide(XmlVariableGetValueString(variable)));
        return kPreferenceChanged;
    }
    if (IsCatalogueSection(parentName)) return kPreferenceUnchanged;
    // An event script's event is picked from its choices; the rest of it is its text.
    if (parentName == "Special_Scripts" && name != "name") return kPreferenceUnchanged;
    return kPreferenceNotHandled;
}

void ShowAppearancePreview(HWND pane, XmlElement* appearance) {
    SetWindowTextW(pane, L"");
    if (!appearance) return;
    std::vector<std::wstring> lines;
    {
        XmlDocumentReadLock lock(OwningDocument(appearance));
        XmlVariable** variables = XmlElementGetVariables(appearance);
        for (uint32_t i = 0, n = XmlElementGetVariableCount(appearance); i < n; ++i) {
            std::string value = XmlVariableGetValueString(variables[i]);
            UnescapeString(value, false);
            lines.push_back(NarrowToWide(value));
        }
    }
    for (const std::wstring& line : lines)
        views::PrintToWindow(kInformationLine, nullptr, line, {.View = pane});
}
