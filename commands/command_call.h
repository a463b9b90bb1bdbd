// What one run of a "/" command sees: its words, its windows and the rest of its line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;
struct ServerConnection;

struct CommandCall {
    const std::string& Line; // without its trailing line ends
    const std::vector<std::string>& Words;
    WindowRecord* ConnectionWindow;
    ServerConnection* Connection; // of the connection window; null when there is none
    WindowRecord* Target;         // the given target window, else the active one; may be null
    const std::string& Marks;     // one per byte of Line: the user's, or from outside

    const std::string& Command() const { return Words[0]; }
    bool CommandIs(const char* word) const;
    // The line after its first n words and the blanks that follow them, inner blanks kept.
    std::string Rest(size_t n) const;
    // The marks of Rest(n) and of word n.
    std::string RestMarks(size_t n) const;
    std::string WordMarks(size_t n) const;
    // Some byte of Rest(n) came from outside.
    bool RestFromOutside(size_t n) const;
};

// A handler returns 1 when it did its work and 0 when the line goes on to the triggers; it
// refuses by throwing kRefused (common/refusal.h).
using CommandHandler = uint64_t (*)(const CommandCall& call);

// Refuses the command (throws kRefused).
[[noreturn]] void RefuseCommand();

// The line plus CR LF to the connection of the window, under flood control.
void SendCommandLine(const std::string& line, WindowRecord* window);
// Posts the frame one of its menu commands.
void PostFrameCommand(uint32_t commandId);
// The channel window of that name on the call's connection; null when there is none.
WindowRecord* FindChannelWindow(const CommandCall& call, const std::string& name);
// Whether the word is a channel's name by the channel types of the call's server (those of its
// 005 reply, else the usual ones), whether or not a window of it is open.
bool IsChannelWord(const CommandCall& call, const std::string& word);

// A language string as an information line.
void PrintLangString(WindowRecord* window, int32_t id);
// The rest of the line after n words as wide text (UTF-8).
std::wstring RestWide(const CommandCall& call, size_t n);
