// The frame window "BRINDLEX2000_Main": the main bar, the MDI client with the chat windows, the
// tab strip, and the mailbox of the interface thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

constexpr const wchar_t* kFrameClass = L"BRINDLEX2000_Main";
constexpr int kWindowTabsId = 1500;
constexpr int kFirstChildId = 1000;

// The configured language library is not the English one: the frame paints a hint.
extern std::atomic<uint8_t> NonEnglishLanguage;
// The frame's rebar (no ribbon in this build).
extern std::atomic<HWND> MainBarWindow;

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Where the MDI client and the tab strip go, as (left, top, width, height).
struct FrameLayout {
    RECT Client{};
    RECT Tabs{};
};
// tabPosition: 1 top, 2 left, 3 right, anything else bottom.
FrameLayout ComputeFrameLayout(int width, int height, int top, int tabHeight, int32_t tabPosition);

// The notify probe of timer 2: "ISON " and the notify list (cut so that the line with its CR LF
// fits 10,000 bytes), or a made-up nick "ison" and four digits when the list is empty.
std::string BuildNotifyProbeLine(const std::string& notifyList, uint32_t random);
