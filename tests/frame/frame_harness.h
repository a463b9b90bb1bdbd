// The program's real frame inside the test program: its window classes, menu, bars, tab strip and
// MDI client as start-up builds them, over the language and resource libraries built beside the
// tests and the default settings. Tests open chat windows in it and drive them with posted
// messages, the test's thread running the frame's messages as the program's loop does.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <atomic>
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
// The text of the record's input box.
std::wstring InputText(const WindowRecord* record);
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
    // look, when given, runs on the watcher's thread while the popup is open.
    explicit PopupWatcher(UINT choose = 0, std::function<void(HWND popup)> look = {});
    ~PopupWatcher();
    PopupWatcher(const PopupWatcher&) = delete;
    PopupWatcher& operator=(const PopupWatcher&) = delete;
    // Waits for the watcher to have seen and handled a popup; its items, empty when none opened.
    std::vector<MenuItem> Items(DWORD timeoutMs = 10000);

private:
    static DWORD WINAPI Run(void* self);
    UINT choose_;
    std::function<void(HWND)> look_;
    std::atomic<bool> stop_{false};
    HANDLE done_ = nullptr;
    HANDLE thread_ = nullptr;
    std::vector<MenuItem> items_;
};

// Watches, from a thread of its own, for the next dialog box of this process to appear (a
// prompt, a message box, a common dialog), keeps its texts, then acts on it as a user would
// (posted keys or commands).
class DialogWatcher {
public:
    explicit DialogWatcher(std::function<void(HWND)> act);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;
    // Pumps until the watcher has acted; the dialog's texts, empty when none appeared.
    std::wstring Texts(DWORD timeoutMs = 10000);

private:
    static DWORD WINAPI Run(void* self);
    std::function<void(HWND)> act_;
    std::vector<HWND> before_;
    std::atomic<bool> stop_{false};
    HANDLE done_ = nullptr;
    HANDLE thread_ = nullptr;
    std::wstring texts_;
};
// Clicks the dialog's button with the id as the mouse would (message boxes, task dialogs and
// plain dialogs alike).
void ClickButton(HWND dialog, int id);
// The next visible dialog box of this process other than the one given, waited for on the
// calling thread; null when none appeared in time.
HWND WaitForDialog(HWND except, DWORD timeoutMs = 10000);
// Types the text into the control by posted characters.
void TypeInto(HWND control, const std::wstring& text);
// A dialog's control by id, searched through its children (property pages and common dialogs
// keep their controls one level down).
HWND FindControl(HWND dialog, int id);

// Every test starts with the frame in front and no chat window; the windows it opened are closed
// afterwards.
class FrameTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HWND frame_ = nullptr;
};
