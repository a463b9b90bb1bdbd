// The IRC child windows (server, channel, query and DCC chat) of class "BRINDLEX2000_IRC".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct WindowRecord;

constexpr const wchar_t* kChatWindowClass = L"BRINDLEX2000_IRC";

constexpr int kViewId = 901;
constexpr int kInputId = 902;
constexpr int kNickListId = 903;

// Read on WM_CREATE through the MDI creation data.
struct ChatWindowParams {
    uint32_t Type = 0;
    WindowRecord* Server = nullptr;
    std::string Name;    // UTF-8
    uint8_t Flag = 0;    // the view flag of windows other than server windows
    bool InFront = true; // the window opens in front and active, not behind the active one
};

LRESULT CALLBACK ChatWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Interface thread only; other threads send the frame WM_OPEN_CHAT_WINDOW. Returns the new child
// window, whose user data already holds its record. Behind: the window opens behind the active
// one and the active one stays active.
HWND CreateChatWindow(uint32_t type, WindowRecord* server, const std::string& name, uint8_t flag,
                      bool behind = false);

// The frame lays itself out (WM_SIZE): a layout asked for by a new window is done.
void NoteFrameLaidOut();

// While one lives (the frame closes everything), a chat window that closes leaves its window for
// the MDI client to destroy with all the others: destroyed one by one, each would hand the
// activation to the next, which would lay itself out and rebuild the menu for nothing.
class ClosingEveryChatWindow {
public:
    ClosingEveryChatWindow();
    ~ClosingEveryChatWindow();
    ClosingEveryChatWindow(const ClosingEveryChatWindow&) = delete;
    ClosingEveryChatWindow& operator=(const ClosingEveryChatWindow&) = delete;
};

// While one lives, a chat window that becomes active leaves the menu bar, its tab and the focus
// alone: it is on its way behind the window that stays in front, whose own activation follows.
class PassingActivation {
public:
    PassingActivation();
    ~PassingActivation();
    PassingActivation(const PassingActivation&) = delete;
    PassingActivation& operator=(const PassingActivation&) = delete;
};

// Handlers of ChatWndProc, one file each.
LRESULT OnChatCreate(HWND window, const ChatWindowParams& params);
// The standard bar, made the first time the window shows it, its buttons showing the switches the
// window went through meanwhile.
// The listed record of a chat window, or null for a window that is gone, holds no record or holds
// one that was taken off the list (a handle can outlive its window and be given to another).
WindowRecord* ListedChatRecord(HWND window);
void MakeControlBar(WindowRecord* record);
void LayoutChatWindow(WindowRecord* record, int width, int height);
// Lays the window's controls out again once the window's size has settled and the user can see
// it: a window behind a maximized one, or minimized, waits until it shows (its view re-wraps all
// its text for every new size, which for a full view takes long), and several size changes in a
// row are laid out once.
void RequestChatLayout(WindowRecord* record);
// Posted to the frame by RequestChatLayout: lays out the waiting windows that can be seen now.
constexpr UINT WM_LAYOUT_WAITING_CHATS = WM_APP + 0x128;
void LayOutWaitingChatWindows();
// A closed window's layout is forgotten.
void ForgetChatLayout(const WindowRecord* record);
void OnChatClose(WindowRecord* record);
LRESULT OnViewLink(WindowRecord* record, const NMHDR* header);
LRESULT OnNickListNotify(WindowRecord* record, const NMHDR* header);
