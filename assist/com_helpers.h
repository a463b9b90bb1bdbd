// Small chores on COM pointers and strings shared by the sharing layer's files.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

template <typename T> void ReleaseAndClear(T*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

// The text of a BSTR that the caller owns; the BSTR is freed.
inline std::wstring TakeBstr(BSTR text) {
    std::wstring value = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return value;
}
