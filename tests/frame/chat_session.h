// The frame connected to a scripted server of the test: a server window registered with the
// server's 001 and 005, a channel joined with its members, a query and a DCC chat window.
#pragma once

#include "tests/frame/frame_harness.h"
#include "tests/support/irc_test_support.h"

#include <string>

class ChatSession {
public:
    // modesPerLine: the MODES the server announces in its 005.
    explicit ChatSession(int modesPerLine = 3);
    ~ChatSession();
    bool Ready() const { return ready_; }
    const std::string& Nick() const { return nick_; }
    // A line from the client that holds the text, read while the frame's messages run; lines
    // before it are passed over.
    bool ServerGot(const std::string& text, DWORD timeoutMs = 5000);
    // Every line the client sent within the time.
    std::vector<std::string> LinesWithin(DWORD ms);
    void Send(const std::string& lines) { server_.Send(lines); }
    ScriptedServer& Server() { return server_; }

    WindowRecord* ServerWindow = nullptr;
    WindowRecord* Channel = nullptr;
    WindowRecord* Query = nullptr;
    WindowRecord* DccChat = nullptr;

private:
    ScriptedServer server_;
    std::string nick_;
    bool ready_ = false;
};

// Selects exactly these nicks (as listed, with their prefixes) in the channel's nick list.
void SelectNicks(WindowRecord* channel, std::initializer_list<const wchar_t*> nicks);
// Holds Shift (or releases it) for the keys the interface thread reads.
void HoldShift(bool held);
