// Names and values of elements, attributes and text items, with their typed forms, and the
// plain accessors of the records.
#include "xml/xml_element.h"

#include "common/xstring.h"
#include "xml/xml_base64.h"
#include "xml/xml_escape.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

std::string Utf8(const wchar_t* text) {
    return text ? WideToNarrow(text, wcslen(text)) : std::string();
}

size_t CopyOut(const std::string& stored, char* buffer, int raw) {
    if (!buffer) return stored.size();
    if (raw) {
        std::memcpy(buffer, stored.data(), stored.size());
        buffer[stored.size()] = 0;
        return stored.size();
    }
    return XmlUnescapeInto(stored, buffer);
}

std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

void RekeyVariable(XmlVariable* v) {
    XmlElement* owner = v->owner;
    if (!owner) return;
    for (uint32_t i = 0; i < owner->variables.Count(); ++i) {
        if (owner->variables.At(i) == v) {
            owner->variables.SetKey(i, XmlStoredHash(v->name));
            return;
        }
    }
}

} // namespace

// ---- element names ----

size_t XmlElementGetName(const XmlElement* element, char* buffer, int raw) {
    return element ? CopyOut(element->name, buffer, raw) : 0;
}

std::string XmlElementGetNameString(const XmlElement* element, int raw) {
    if (!element) return {};
    return raw ? element->name : XmlUnescape(element->name);
}

void XmlElementSetName(XmlElement* element, const char* name) {
    if (!element) return;
    std::string_view plain = name ? name : "";
    element->name = XmlEscape(plain);
    element->nameHash = XmlPlainHash(plain);
}

void XmlElementSetName(XmlElement* element, const wchar_t* name) {
    XmlElementSetName(element, Utf8(name).c_str());
}

// ---- variables ----

size_t XmlVariableGetName(const XmlVariable* variable, char* buffer, int raw) {
    return variable ? CopyOut(variable->name, buffer, raw) : 0;
}

size_t XmlVariableGetValue(const XmlVariable* variable, char* buffer, int raw) {
    return variable ? CopyOut(variable->value, buffer, raw) : 0;
}

std::string XmlVariableGetNameString(const XmlVariable* variable, int raw) {
    if (!variable) return {};
    return raw ? variable->name : XmlUnescape(variable->name);
}

std::string XmlVariableGetValueString(const XmlVariable* variable, int raw) {
    if (!variable) return {};
    return raw ? variable->value : XmlUnescape(variable->value);
}

const char* XmlVariableGetRawValue(const XmlVariable* variable) {
    return variable ? variable->value.c_str() : nullptr;
}
const char* XmlVariableGetRawValue(const XmlContent* content) {
    return content ? content->text.c_str() : nullptr;
}

void XmlVariableSetName(XmlVariable* variable, const char* name, int raw) {
    if (!variable) return;
    std::string_view plain = TrimTrailingBlanks(name ? name : "");
    variable->name = raw ? std::string(plain) : XmlEscape(plain);
    RekeyVariable(variable);
}

void XmlVariableSetName(XmlVariable* variable, const wchar_t* name, int raw) {
    XmlVariableSetName(variable, Utf8(name).c_str(), raw);
}

void XmlVariableSetValue(XmlVariable* variable, const char* value, int raw) {
    if (!variable) return;
    std::string_view plain = value ? value : "";
    variable->value = raw ? std::string(plain) : XmlEscape(plain);
}

void XmlVariableSetValue(XmlVariable* variable, const wchar_t* value, int raw) {
    XmlVariableSetValue(variable, Utf8(value).c_str(), raw);
}

// ---- typed values ----

int32_t XmlVariableGetInt(const XmlVariable* variable) {
    std::string v = XmlVariableGetValueString(variable);
    return static_cast<int32_t>(std::strtol(v.c_str(), nullptr, 10));
}

uint32_t XmlVariableGetUInt(const XmlVariable* variable) {
    std::string v = XmlVariableGetValueString(variable);
    char* end = nullptr;
    unsigned long long n = std::strtoull(v.c_str(), &end, 10);
    return end == v.c_str() ? 0 : static_cast<uint32_t>(n);
}

int64_t XmlVariableGetInt64(const XmlVariable* variable) {
    std::string v = XmlVariableGetValueString(variable);
    return std::strtoll(v.c_str(), nullptr, 10);
}

uint64_t XmlVariableGetUInt64(const XmlVariable* variable) {
    std::string v = XmlVariableGetValueString(variable);
    return std::strtoull(v.c_str(), nullptr, 10);
}

double XmlVariableGetFloat(const XmlVariable* variable) {
    std::string v = XmlVariableGetValueString(variable);
    return std::strtod(v.c_str(), nullptr);
}

void XmlVariableSetInt(XmlVariable* variable, int32_t value) {
    XmlVariableSetValue(variable, std::to_string(value).c_str());
}
void XmlVariableSetUInt(XmlVariable* variable, uint32_t value) {
    XmlVariableSetValue(variable, std::to_string(value).c_str());
}
void XmlVariableSetInt64(XmlVariable* variable, int64_t value) {
    XmlVariableSetValue(variable, std::to_string(value).c_str());
}
void XmlVariableSetUInt64(XmlVariable* variable, uint64_t value) {
    XmlVariableSetValue(variable, std::to_string(value).c_str());
}
void XmlVariableSetFloat(XmlVariable* variable, double value) {
    XmlVariableSetValue(variable, std::to_string(value).c_str());
}

void XmlVariableSetFormattedV(XmlVariable* variable, const char* format, va_list args) {
    if (!variable || !format) return;
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) return;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    XmlVariableSetValue(variable, text.c_str());
}

void XmlVariableSetFormatted(XmlVariable* variable, const char* format, ...) {
    va_list args;
    va_start(args, format);
    XmlVariableSetFormattedV(variable, format, args);
    va_end(args);
}

// ---- binary values ----

void XmlVariableSetBinary(XmlVariable* variable, const void* bytes, size_t length) {
    if (!variable) return;
    XmlVariableSetValue(variable, XmlBinaryToText(bytes, length).c_str());
}

size_t XmlVariableGetBinary(const XmlVariable* variable, void* out, size_t size) {
    if (!variable || variable->value.empty()) return 0;
    std::string bytes = XmlTextToBinary(XmlUnescape(variable->value));
    size_t n = bytes.size() < size ? bytes.size() : size;
    if (n && out) std::memcpy(out, bytes.data(), n);
    return out ? n : 0;
}

XmlVariable* XmlElementAddBinaryVariable(XmlElement* element, const char* name, const void* bytes,
                                         size_t length) {
    XmlVariable* v = XmlElementAddVariable(element, name ? name : "", "");
    XmlVariableSetBinary(v, bytes, length);
    return v;
}

// ---- text items ----

size_t XmlTextGetText(const XmlText* text, char* buffer, int raw) {
    if (!text || text->kind != 0) return 0;
    return CopyOut(text->text, buffer, raw);
}

std::string XmlTextGetTextString(const XmlText* text, int raw) {
    if (!text || text->kind != 0) return {};
    return raw ? text->text : XmlUnescape(text->text);
}

void XmlTextSetText(XmlText* text, const char* plain) {
    if (!text) return;
    text->text = XmlEscape(plain ? plain : "");
}

void XmlTextSetBytes(XmlText* text, const void* bytes, size_t length) {
    if (!text) return;
    if (text->kind == 1) {
        const uint8_t* b = static_cast<const uint8_t*>(bytes);
        text->bytes.assign(b, b + (bytes ? length : 0));
    } else {
        text->text = XmlBase64Encode(bytes, bytes ? length : 0);
    }
}

std::string XmlTextGetBytes(const XmlText* text) {
    if (!text) return {};
    if (text->kind == 1) return std::string(text->bytes.begin(), text->bytes.end());
    return XmlBase64Decode(XmlUnescape(text->text));
}

// ---- accessors ----

XmlElement* XmlElementGetParent(const XmlElement* element) {
    return element ? element->parent : nullptr;
}

XmlElement* XmlElementSetParent(XmlElement* element, XmlElement* parent) {
    if (!element) return nullptr;
    XmlElement* previous = element->parent;
    element->parent = parent;
    return previous;
}

XmlElement** XmlElementGetChildren(const XmlElement* element) {
    return element ? element->children.Items() : nullptr;
}
uint32_t XmlElementGetChildCount(const XmlElement* element) {
    return element ? element->children.Count() : 0;
}
XmlElement* XmlElementGetChild(const XmlElement* element, uint32_t index) {
    return element && index < element->children.Count() ? element->children.At(index) : nullptr;
}
XmlVariable** XmlElementGetVariables(const XmlElement* element) {
    return element ? element->variables.Items() : nullptr;
}
uint32_t XmlElementGetVariableCount(const XmlElement* element) {
    return element ? element->variables.Count() : 0;
}
XmlContent** XmlElementGetComments(const XmlElement* element) {
    return element ? element->comments.Items() : nullptr;
}
uint32_t XmlElementGetCommentCount(const XmlElement* element) {
    return element ? element->comments.Count() : 0;
}
XmlText** XmlElementGetTexts(const XmlElement* element) {
    return element ? element->texts.Items() : nullptr;
}
uint32_t XmlElementGetTextCount(const XmlElement* element) {
    return element ? element->texts.Count() : 0;
}
XmlContent** XmlElementGetCDataSections(const XmlElement* element) {
    return element ? element->cdata.Items() : nullptr;
}
uint32_t XmlElementGetCDataCount(const XmlElement* element) {
    return element ? element->cdata.Count() : 0;
}
uint32_t XmlElementGetType(const XmlElement* element) {
    return element ? element->type : 0;
}
uint8_t XmlElementGetTemporary(const XmlElement* element) {
    return element ? element->temporary : 0;
}
void XmlElementSetTemporary(XmlElement* element, uint8_t temporary) {
    if (element) element->temporary = temporary;
}
uint64_t XmlElementGetUserData(const XmlElement* element) {
    return element ? element->userData : 0;
}
void XmlElementSetUserData(XmlElement* element, uint64_t data) {
    if (element) element->userData = data;
}
XmlElement* XmlVariableGetOwner(const XmlVariable* variable) {
    return variable ? variable->owner : nullptr;
}
void XmlVariableSetOwner(XmlVariable* variable, XmlElement* owner) {
    if (variable) variable->owner = owner;
}
uint8_t XmlVariableGetTemporary(const XmlVariable* variable) {
    return variable ? variable->temporary : 0;
}
void XmlVariableSetTemporary(XmlVariable* variable, uint8_t temporary) {
    if (variable) variable->temporary = temporary;
}

void XmlElementSetFormat(XmlElement* element, int32_t spaces, int32_t width, int32_t inlineFlags) {
    if (!element) return;
    element->indentWithSpaces = spaces;
    element->indentWidth = width < 0 ? 0 : (width > 50 ? 50 : width);
    element->inlineTextFlags = inlineFlags;
    for (uint32_t i = 0; i < element->children.Count(); ++i) {
        if (XmlElement* c = element->children.At(i)) XmlElementSetFormat(c, spaces, width, inlineFlags);
    }
}

void GetXmlLibraryVersion(XmlLibraryVersion* version) {
    if (!version) return;
    version->major = 1;
    version->minor = 99;
    std::memcpy(version->date, "30-01-2011", 11);
}

int64_t XmlIntPower(int64_t base, uint32_t exponent) {
    uint64_t result = 1;
    for (uint32_t i = 0; i < exponent; ++i) result *= static_cast<uint64_t>(base);
    return static_cast<int64_t>(result);
}
