// One text held at once as narrow text in a code page, as wide (UTF-16) text and as a BSTR.
// Built once at a narrow/wide or COM boundary and read in whichever form the next call needs.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>

class XString {
public:
    explicit XString(const char* narrow, UINT codePage = CP_UTF8);
    explicit XString(const wchar_t* wide, UINT codePage = CP_UTF8);
    explicit XString(const std::string& narrow, UINT codePage = CP_UTF8);
    explicit XString(const std::wstring& wide, UINT codePage = CP_UTF8);
    ~XString();

    XString(const XString&) = delete;
    XString& operator=(const XString&) = delete;

    // Null when built from a null source.
    const char* NarrowPtr() const { return present_ ? narrow_.c_str() : nullptr; }
    const wchar_t* WidePtr() const { return present_ ? wide_.c_str() : nullptr; }
    // Never null: empty text when built from a null source.
    const char* Narrow() const { return narrow_.c_str(); }
    const wchar_t* Wide() const { return wide_.c_str(); }
    const std::string& NarrowString() const { return narrow_; }
    const std::wstring& WideString() const { return wide_; }
    BSTR Bstr() const { return bstr_; }
    // Length of the source text in its own units (bytes or wide characters).
    uint32_t Length() const { return length_; }

    operator const char*() const { return Narrow(); }
    operator const wchar_t*() const { return Wide(); }

private:
    void FromNarrow(const char* text, size_t length, UINT codePage);
    void FromWide(const wchar_t* text, size_t length, UINT codePage);

    std::string narrow_;
    std::wstring wide_;
    BSTR bstr_ = nullptr;
    uint32_t length_ = 0;
    bool present_ = false;
};

// Conversions sized by the conversion API's own count; used wherever one form is needed once.
std::wstring NarrowToWide(const char* text, size_t length, UINT codePage = CP_UTF8);
std::wstring NarrowToWide(const std::string& text, UINT codePage = CP_UTF8);
std::string WideToNarrow(const wchar_t* text, size_t length, UINT codePage = CP_UTF8);
std::string WideToNarrow(const std::wstring& text, UINT codePage = CP_UTF8);
