// The program's real frame inside the test program: its window classes, menu, bars, tab strip and
// MDI client as start-up builds them, over the language and resource libraries built beside the
// tests and the default settings. Tests open chat windows in it and drive them with posted
// messages, the test's thread running the frame's messages as the program's loop does.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct WindowRecord;

// The frame, made once for the whole run.
HWND RealFrame();
// Runs this thread's messages until the condition holds or the time is up; true when it held.
bool Pump(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// Runs the messages that are waiting now (and those they post) for a short while.
void Settle(DWORD ms = 200);

// A chat window of the frame, as the frame opens it for a connection; its record.
WindowRecord* OpenChat(uint32_t type, WindowRecord* server, const std::string& name);
// The record of the MDI client's active child.
WindowRecord* ActiveChat();
// The index of the strip's selected tab and the record of a tab.
int SelectedTab();
WindowRecord* TabRecord(int index);
int TabIndexOf(const WindowRecord* record);
// A click on the tab at its middle, as the mouse gives it.
void ClickTab(int index);
// A rectangle in the coordinates of the window's parent.
RECT RectInParent(HWND window);

// The items of an open popup menu, read while it is open.
struct MenuItem {
    UINT Id = 0; // 0 for separators and submenus
    std::wstring Text;
    bool Separator = false;
    bool Submenu = false;
};
std::vector<MenuItem> ReadMenu(HMENU menu);

// Watches for the next popup menu the frame's thread opens, from a thread of its own: reads its
// items, then chooses the item with the id (0 closes the menu without a choice).
class PopupWatcher {
public:
    explicit PopupWatcher(UINT choose = 0);
    ~PopupWatcher();
    PopupWatcher(const PopupWatcher&) = delete;
    PopupWatcher& operator=(const PopupWatcher&) = delete;
    // Waits for the watcher to have seen and handled a popup; its items, empty when none opened.
    std::vector<MenuItem> Items(DWORD timeoutMs = 10000);

private:
    static DWORD WINAPI Run(void* self);
    UINT choose_;
    HANDLE done_ = nullptr;
    HANDLE thread_ = nullptr;
    std::vector<MenuItem> items_;
};

// Every test starts with the frame in front and no chat window; the windows it opened are closed
// afterwards.
class FrameTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HWND frame_ = nullptr;
};
