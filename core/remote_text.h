// Whether the code running on this thread runs on behalf of text that came from outside (a line a
// server sent, a DCC chat, a name server's answer, and every trigger, event script, timer and
// worker they set off). Under that mark nothing may start a program, load code, fetch to
// a file, write or delete a file, offer or send a file, evaluate text as script or change the
// settings: only typed input and the user's own scripts may do that. Each command row and each
// built-in that does such things says so; work handed to another thread takes the mark along.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

// Marks the thread for as long as the scope lives, when mark is set; scopes nest.
class RemoteTextScope {
public:
    explicit RemoteTextScope(bool mark = true);
    ~RemoteTextScope();
    RemoteTextScope(const RemoteTextScope&) = delete;
    RemoteTextScope& operator=(const RemoteTextScope&) = delete;

private:
    bool mark_;
};

bool HandlingRemoteText();

// Text a command prints from the line it was given. Under the mark that line came from outside,
// so the program's own markup in it (a link that would run its command unmarked when clicked,
// direct colours, fonts) is cleaned as other untrusted text is; otherwise it is the user's.
std::string CleanWhenFromOutside(const std::string& text);

// Says in the window (a coloured information line) that what (a command word, a built-in's
// name) was not run because text from outside asked for it.
void ReportRefusedForRemoteText(WindowRecord* window, const std::string& what);
