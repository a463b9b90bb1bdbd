#include "common/xstring.h"

#include <climits>
#include <cwchar>

std::wstring NarrowToWide(const char* text, size_t length, UINT codePage) {
    if (!text || length == 0 || length > INT_MAX) return {};
    int count = MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), nullptr, 0);
    if (count <= 0) return {};
    std::wstring wide(static_cast<size_t>(count), L'\0');
    count = MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), wide.data(), count);
    wide.resize(count > 0 ? static_cast<size_t>(count) : 0);
    return wide;
}

std::wstring NarrowToWide(const std::string& text, UINT codePage) {
    return NarrowToWide(text.data(), text.size(), codePage);
}

std::string WideToNarrow(const wchar_t* text, size_t length, UINT codePage) {
    if (!text || length == 0 || length > INT_MAX) return {};
    int count =
        WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string narrow(static_cast<size_t>(count), '\0');
    count = WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), narrow.data(), count, nullptr,
                                nullptr);
    narrow.resize(count > 0 ? static_cast<size_t>(count) : 0);
    return narrow;
}

std::string WideToNarrow(const std::wstring& text, UINT codePage) {
    return WideToNarrow(text.data(), text.size(), codePage);
}

XString::XString(const char* narrow, UINT codePage) {
    if (narrow) FromNarrow(narrow, strlen(narrow), codePage);
}

XString::XString(const std::string& narrow, UINT codePage) {
    FromNarrow(narrow.data(), narrow.size(), codePage);
}

XString::XString(const wchar_t* wide, UINT codePage) {
    if (wide) FromWide(wide, wcslen(wide), codePage);
}

XString::XString(const std::wstring& wide, UINT codePage) {
    FromWide(wide.data(), wide.size(), codePage);
}

XString::~XString() {
    if (bstr_) SysFreeString(bstr_);
}

// A text longer than 4 GiB keeps its forms; only the recorded length saturates.
static uint32_t ClampLength(size_t length) {
    return length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(length);
}

void XString::FromNarrow(const char* text, size_t length, UINT codePage) {
    present_ = true;
    length_ = ClampLength(length);
    narrow_.assign(text, length);
    wide_ = NarrowToWide(text, length, codePage);
    bstr_ = SysAllocStringLen(wide_.data(), static_cast<UINT>(wide_.size()));
}

void XString::FromWide(const wchar_t* text, size_t length, UINT codePage) {
    present_ = true;
    length_ = ClampLength(length);
    wide_.assign(text, length);
    narrow_ = WideToNarrow(text, length, codePage);
    bstr_ = SysAllocStringLen(wide_.data(), static_cast<UINT>(wide_.size()));
}
