// A message-only stand-in for the frame window, for tests that drive connections and commands:
// it opens chat windows on WM_OPEN_CHAT_WINDOW, records its menu commands and empties the flood
// queues on timer 1, as the real frame does. Chat windows get small windows of their own whose
// WM_CLOSE, WM_SETFONT and script timers are recorded; their timers run as the program's do.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

struct WindowRecord;

class ChatTestFrame {
public:
    ChatTestFrame(); // becomes MainWindow
    ~ChatTestFrame();
    ChatTestFrame(const ChatTestFrame&) = delete;
    ChatTestFrame& operator=(const ChatTestFrame&) = delete;
    HWND Window() const { return window_; }
    // Ends the windows the frame opened, newest first.
    void CloseOpenedWindows();

private:
    HWND window_;
};

// A window of the stand-in class for a record that is listed already (a test's server window):
// it records and runs script timers like the others. The caller destroys it.
HWND MakeChatWindowFor(WindowRecord* record);
// Gives a chat window's record a window and a view of its own and lists it.
void AttachChatWindow(WindowRecord* record);
// Ends the record as closing its window would, and frees it.
void DetachChatWindow(WindowRecord* record);

// Lets a test handle further frame messages: the hook answers true when it handled one and
// sets the result. An empty hook removes it.
using FrameMessageHook = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;
void SetFrameMessageHook(FrameMessageHook hook);

// Records opened by the frame (and so by "/server" and "/query"), in order of creation.
std::vector<WindowRecord*> FrameOpenedWindows();

// Runs this thread's messages (the frame's timers and the messages other threads send) until
// the condition holds or the time is up; true when it held.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
