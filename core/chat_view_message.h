// The private message by which a line reaches a custom-drawn chat view ("twin") on the thread
// that owns it: wParam the line kind, lParam a const std::wstring* of the text.
#pragma once

#include <windows.h>

constexpr UINT WM_CHAT_VIEW_APPEND = WM_USER + 0x2A0;
constexpr wchar_t kChatViewClass[] = L"twin";
