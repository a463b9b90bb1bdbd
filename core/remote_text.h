// Text from outside (a line a server sent, a DCC chat line, a name server's answer, a socket
// read, and every value made from them) carries its mark in its bytes. While such text is
// handled on a thread (and in every trigger, event script, timer and worker it sets off, which
// take the mark along), the values inserted into a script are marked as from outside; the
// user's own words (typed lines, scripts, triggers, event scripts, aliases, the perform text)
// are not. A command row or built-in that starts a program, loads code, fetches, writes or
// deletes a file, offers or sends a file, evaluates text as script or changes the settings runs
// when its capability positions (the words that choose what it does) hold only the user's
// bytes, and is refused when any byte there came from outside.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct WindowRecord;

// One mark per byte of a line: the user's, or from outside.
constexpr char kUsersByte = 0;
constexpr char kOutsideByte = 1;

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

// Sets the thread's mark aside while the user's own words run for a line from outside: the
// perform text of a server entry runs as typed input at the end of registration.
class OwnTextScope {
public:
    OwnTextScope();
    ~OwnTextScope();
    OwnTextScope(const OwnTextScope&) = delete;
    OwnTextScope& operator=(const OwnTextScope&) = delete;

private:
    uint32_t saved_;
};

bool HandlingRemoteText();

// Hands a line on, within this thread, with the marks of its bytes (one per byte of line):
// the command interpreter reads them through OutsideMarksOf while the scope lives. Scopes nest.
class LineMarksScope {
public:
    LineMarksScope(std::string line, std::string marks);
    // A line the program builds from its own words.
    explicit LineMarksScope(std::string line);
    ~LineMarksScope();
    LineMarksScope(const LineMarksScope&) = delete;
    LineMarksScope& operator=(const LineMarksScope&) = delete;

    const std::string Line;
    const std::string Marks;
    LineMarksScope* const Outer;
};

// The marks of a line about to run, one per byte: those handed on with it by the innermost scope
// whose line it is (blanks, CR and LF at the ends aside). A line handed on without its marks
// is taken as from outside, every byte of it, while text from outside is handled, and as the
// user's otherwise.
std::string OutsideMarksOf(std::string_view line);
// True when some byte of marks is from outside.
bool HasOutsideByte(std::string_view marks);
// A line put together from pieces with their marks, as a handler builds a line of its own.
struct MarkedLine {
    std::string Text;
    std::string Marks;
    // The program's own words.
    MarkedLine& Own(std::string_view text);
    // Words that keep the marks they came with (one per byte).
    MarkedLine& Marked(std::string_view text, std::string_view marks);
};

// The first run of bytes from outside in text; empty when there is none.
std::string FirstOutsideRun(std::string_view text, std::string_view marks);
// The marks of a line that the program builds: its own bytes are the user's.
std::string UsersMarks(size_t length);

// Text a command prints from the line it was given. Under the mark that line came from outside,
// so the program's own markup in it (a link that would run its command unmarked when clicked,
// direct colours, fonts) is cleaned as other untrusted text is; otherwise it is the user's.
std::string CleanWhenFromOutside(const std::string& text);

// Says in the window (a coloured information line) that what (a command word, a built-in's
// name) was not run because word, which stands where it chooses what happens, came from outside.
void ReportRefusedForRemoteText(WindowRecord* window, const std::string& what, const std::string& word);
