// Settings by section and key: the plain forms on an ini file through the system's profile
// calls, the X forms on the user's settings in memory or on an XML file. A key or value that
// "stands for none" (not written as a quoted text, and reading as the number 0) deletes.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/script_number.h"
#include "common/xstring.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <windows.h>

namespace {

// Values longer than this read as empty, as they do not fit the buffer a value is read into.
constexpr DWORD kValueChars = 1000;

bool StandsForNone(const BuiltinCall& call, size_t index) {
    const bool quoted = index < call.Quoted.size() && call.Quoted[index] == 1;
    return !quoted && ScriptValueToInt64(Arg(call, index)) == 0;
}

std::wstring Wide(const BuiltinCall& call, size_t index) {
    return NarrowToWide(Arg(call, index));
}

uint32_t IniString(BuiltinCall& call) {
    RequireArgs(call, 4);
    wchar_t value[kValueChars] = {};
    GetPrivateProfileStringW(Wide(call, 0).c_str(), Wide(call, 1).c_str(), Wide(call, 2).c_str(), value,
                             kValueChars, Wide(call, 3).c_str());
    return WideTextResult(call, value);
}

uint32_t IniInt(BuiltinCall& call) {
    RequireArgs(call, 4);
    const UINT value = GetPrivateProfileIntW(Wide(call, 0).c_str(), Wide(call, 1).c_str(),
                                             static_cast<INT>(ArgNumber(call, 2)), Wide(call, 3).c_str());
    return NumberResult(call, static_cast<int32_t>(value));
}

// The system looks for a name without a folder in the Windows folder. A read-only file is never
// handed to the profile writer, which rewrites a file whole and may cut it short before it
// finds that it cannot write there.
bool IniIsReadOnly(const std::wstring& file) {
    std::wstring path = file;
    if (file.find_first_of(L"\\/") == std::wstring::npos) {
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        path = std::wstring(windows) + L"\\" + file;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

uint32_t SetIniString(BuiltinCall& call) {
    RequireArgs(call, 4);
    if (IniIsReadOnly(Wide(call, 3))) return BareResult(call, "");
    const std::wstring section = Wide(call, 0), key = Wide(call, 1), value = Wide(call, 2),
                       file = Wide(call, 3);
    if (StandsForNone(call, 1))
        WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, file.c_str());
    else
        WritePrivateProfileStringW(section.c_str(), key.c_str(),
                                   StandsForNone(call, 2) ? nullptr : value.c_str(), file.c_str());
    return BareResult(call, "");
}

// The text written, all 64 bits; empty when the file could not be written.
uint32_t SetIniInt(BuiltinCall& call) {
    RequireArgs(call, 4);
    const std::string text = std::to_string(ArgNumber(call, 2));
    if (IniIsReadOnly(Wide(call, 3))) return BareResult(call, "");
    const BOOL written = WritePrivateProfileStringW(Wide(call, 0).c_str(), Wide(call, 1).c_str(),
                                                    NarrowToWide(text).c_str(), Wide(call, 3).c_str());
    return BareResult(call, written ? text : std::string());
}

// With a fourth argument the XML file of that name, else the user's settings in memory.
const char* XmlFile(const BuiltinCall& call) {
    return HasArg(call, 3) ? Arg(call, 3).c_str() : nullptr;
}
XmlDocument* XmlTarget(const BuiltinCall& call) {
    return HasArg(call, 3) ? nullptr : UserConfigDocument;
}

uint32_t XmlString(BuiltinCall& call) {
    RequireArgs(call, 3, false);
    char value[kValueChars] = {};
    XmlGetProfileString(Arg(call, 0).c_str(), Arg(call, 1).c_str(), Arg(call, 2).c_str(), value, kValueChars,
                        XmlFile(call), XmlTarget(call));
    return TextResult(call, value);
}

uint32_t XmlInt(BuiltinCall& call) {
    RequireArgs(call, 3, false);
    return NumberResult(call, XmlGetProfileInt(Arg(call, 0).c_str(), Arg(call, 1).c_str(),
                                               static_cast<int32_t>(ArgNumber(call, 2)), XmlFile(call),
                                               XmlTarget(call)));
}

uint32_t SetXmlInt(BuiltinCall& call) {
    RequireArgs(call, 3, false);
    XmlWriteProfileInt(Arg(call, 0).c_str(), Arg(call, 1).c_str(), static_cast<int32_t>(ArgLow32(call, 2)),
                       XmlFile(call), XmlTarget(call));
    return BareResult(call, "");
}

// A key that stands for none removes the section's element (never the root); a value that
// stands for none removes the key's attribute. Both need the element: below a section that does
// not exist the key and value are written as they stand. A file is written back only once the
// whole new content is on disk.
uint32_t SetXmlString(BuiltinCall& call) {
    RequireArgs(call, 3, false);
    const bool noKey = StandsForNone(call, 1), noValue = StandsForNone(call, 2);
    XmlChangeProfile(XmlFile(call), XmlTarget(call), [&](XmlDocument* document) -> int {
        XmlElement* root = XmlDocumentGetRoot(document);
        XmlElement* element = XmlElementFindPath(root, Arg(call, 0).c_str());
        if (element && noKey) {
            if (element == root || !element->parent) return 0;
            XmlElement* parent = element->parent;
            XmlElementRemoveChild(parent, XmlElementFindChildIndex(parent, element));
            return 1;
        }
        if (element && noValue) {
            const int32_t index = XmlElementFindVariableIndex(element, Arg(call, 1).c_str());
            if (index >= 0) XmlElementRemoveVariable(element, static_cast<uint32_t>(index));
            return 1;
        }
        return XmlWriteProfileString(Arg(call, 0).c_str(), Arg(call, 1).c_str(), Arg(call, 2).c_str(),
                                     nullptr, document);
    });
    return BareResult(call, "");
}

// The section, the key and the file a setting is written to; the value is data.
constexpr ArgumentPositions kSettingsPlace = Argument(0) | Argument(1) | Argument(3);

const BuiltinEntry kRows[] = {
    {"GetString", IniString},
    {"GetInt", IniInt},
    {"SetString", SetIniString, RefusedForRemoteText, kSettingsPlace},
    {"SetInt", SetIniInt, RefusedForRemoteText, kSettingsPlace},
    {"GetStringX", XmlString},
    {"GetIntX", XmlInt},
    {"SetIntX", SetXmlInt, RefusedForRemoteText, kSettingsPlace},
    {"SetStringX", SetXmlString, RefusedForRemoteText, kSettingsPlace},
};

} // namespace

std::span<const BuiltinEntry> SettingsBuiltins() {
    return kRows;
}
