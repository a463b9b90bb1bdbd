// Which channel modes take an argument and which give a nick a level, and which characters begin
// a channel's name. Until the server says otherwise in its 005 reply (PREFIX, CHANMODES and
// CHANTYPES), 'q', 'o' and 'v' each take one nick and give it the level 4, 3 or 2, no other
// letter takes an argument, and a channel's name begins with '#' or '&'.
#pragma once

#include "irc/irc_message.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The channel types of a server that names none, and of a server not yet connected.
constexpr char kDefaultChannelTypes[] = "#&";

struct ChannelModeRules {
    std::string LevelModes = "qov";   // letters that set a nick's level, highest first
    std::string LevelSymbols = ".@+"; // the prefix each of them shows in a names reply
    std::string ArgumentModes;        // CHANMODES A and B: an argument when set and when unset
    std::string SetArgumentModes;     // CHANMODES C: an argument only when set
    bool Announced = false;           // the server sent CHANMODES
    uint32_t ModesPerLine = 3;        // MODES: mode changes with an argument in one line; 0 no limit
    std::string ChannelTypes = kDefaultChannelTypes; // CHANTYPES: the first characters of channels
};

// The rules of one connection: the 005 handler on the connection thread writes them, any
// thread reads a copy.
class ChannelModeRulesSlot {
public:
    ChannelModeRules Get() const;
    void Set(const ChannelModeRules& rules);
    // Back to the defaults, for a new registration.
    void Reset();

private:
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    ChannelModeRules rules_;
};

// Reads the PREFIX, CHANMODES, MODES and CHANTYPES tokens of a 005 reply (the parameters between the target
// and the trailing text) into rules; the other tokens and malformed values leave them as they
// were. True when any token was taken.
bool ReadServerModeTokens(const IrcMessage& reply, ChannelModeRules& rules);

// Whether the name begins with one of the channel types.
bool IsChannelName(std::string_view name, std::string_view channelTypes);
// The name as a channel: '#' put in front unless it begins with one of the channel types.
std::string AsChannelName(std::string_view name, std::string_view channelTypes);

constexpr int32_t kModeFetchMark = 0x10000;

// One argument of a mode text: the letter that takes it and its sign.
struct ModeArgument {
    char Letter = 0;
    bool Set = true;
    bool PrefixMode = false; // one of the PREFIX modes: the argument is a member's nick
    bool Marked = false;     // a letter that is no prefix mode came before it, or is it
};
// The arguments of the mode text in order, as the rules say which letters take one; marked is set
// when any letter is no prefix mode.
std::vector<ModeArgument> ModeArguments(std::string_view modes, const ChannelModeRules& rules, bool& marked);

// The level change that the mode text gives its n-th argument (from 0): the level 4, 3 or 2 of
// the letter that takes it, times the sign in force, plus kModeFetchMark when a letter that
// sets no nick level comes before it (or anywhere, when no letter takes it).
int32_t ModeArgumentLevel(std::string_view modes, uint32_t n, const ChannelModeRules& rules);
int32_t ModeArgumentLevel(std::string_view modes, uint32_t n);
