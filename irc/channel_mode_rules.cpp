#include "irc/channel_mode_rules.h"

#include "common/text_split.h"

ChannelModeRules ChannelModeRulesSlot::Get() const {
    AcquireSRWLockShared(&lock_);
    ChannelModeRules copy = rules_;
    ReleaseSRWLockShared(&lock_);
    return copy;
}

void ChannelModeRulesSlot::Set(const ChannelModeRules& rules) {
    AcquireSRWLockExclusive(&lock_);
    rules_ = rules;
    ReleaseSRWLockExclusive(&lock_);
}

void ChannelModeRulesSlot::Reset() {
    Set(ChannelModeRules{});
}

namespace {

bool IsModeLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool AllModeLetters(std::string_view text) {
    for (char c : text)
        if (!IsModeLetter(c)) return false;
    return true;
}

// "(qaohv)~&@%+": as many symbols as letters, none of them a letter, blank or comma.
bool ReadPrefixToken(std::string_view value, ChannelModeRules& rules) {
    if (value.empty() || value[0] != '(') return false;
    const size_t close = value.find(')');
    if (close == std::string_view::npos) return false;
    const std::string_view letters = value.substr(1, close - 1);
    const std::string_view symbols = value.substr(close + 1);
    if (letters.size() != symbols.size() || !AllModeLetters(letters)) return false;
    for (char c : symbols)
        if (IsModeLetter(c) || c == ',' || c == ' ' || static_cast<unsigned char>(c) < 0x21) return false;
    rules.LevelModes.assign(letters);
    rules.LevelSymbols.assign(symbols);
    return true;
}

bool ReadChanModesToken(std::string_view value, ChannelModeRules& rules) {
    std::vector<std::string> groups;
    SplitString(groups, value, kSplitUnlimited, ",");
    if (groups.size() < 4) return false;
    for (const std::string& group : groups)
        if (!AllModeLetters(group)) return false;
    rules.ArgumentModes = groups[0] + groups[1];
    rules.SetArgumentModes = groups[2];
    rules.Announced = true;
    return true;
}

int32_t LevelOfLetter(char c) {
    return c == 'q' ? 4 : c == 'o' ? 3 : c == 'v' ? 2 : 0;
}

} // namespace

bool ReadServerModeTokens(const IrcMessage& reply, ChannelModeRules& rules) {
    bool taken = false;
    const size_t end = reply.Params.size() - (reply.HasTrailing ? 1 : 0);
    for (size_t i = 1; i < end; ++i) {
        const std::string& token = reply.Params[i];
        if (token.compare(0, 7, "PREFIX=") == 0) {
            ChannelModeRules changed = rules;
            if (ReadPrefixToken(std::string_view(token).substr(7), changed)) {
                rules = changed;
                taken = true;
            }
        } else if (token == "MODES" || token == "MODES=") {
            rules.ModesPerLine = 0; // no value: no limit
            taken = true;
        } else if (token.compare(0, 6, "MODES=") == 0) {
            uint32_t limit = 0;
            size_t digit = 6;
            while (digit < token.size() && token[digit] >= '0' && token[digit] <= '9' && limit < 10000)
                limit = limit * 10 + static_cast<uint32_t>(token[digit++] - '0');
            if (digit == token.size() && limit > 0) {
                rules.ModesPerLine = limit;
                taken = true;
            }
        } else if (token.compare(0, 10, "CHANTYPES=") == 0 && token.size() > 10) {
            rules.ChannelTypes = token.substr(10);
            taken = true;
        } else if (token.compare(0, 10, "CHANMODES=") == 0) {
            ChannelModeRules changed = rules;
            if (ReadChanModesToken(std::string_view(token).substr(10), changed)) {
                rules = changed;
                taken = true;
            }
        }
    }
    return taken;
}

bool IsChannelName(std::string_view name, std::string_view channelTypes) {
    return !name.empty() && channelTypes.find(name.front()) != std::string_view::npos;
}

std::string AsChannelName(std::string_view name, std::string_view channelTypes) {
    return (IsChannelName(name, channelTypes) ? "" : "#") + std::string(name);
}

std::vector<ModeArgument> ModeArguments(std::string_view modes, const ChannelModeRules& rules, bool& marked) {
    std::vector<ModeArgument> arguments;
    bool set = true;
    marked = false;
    for (char c : modes) {
        if (c == '+' || c == '-') {
            set = c == '+';
            continue;
        }
        const bool prefixMode = rules.LevelModes.find(c) != std::string::npos;
        bool takesArgument = prefixMode;
        if (!prefixMode && rules.Announced)
            takesArgument = rules.ArgumentModes.find(c) != std::string::npos ||
                            (set && rules.SetArgumentModes.find(c) != std::string::npos);
        if (!prefixMode) marked = true;
        if (takesArgument) arguments.push_back({c, set, prefixMode, marked});
    }
    return arguments;
}

int32_t ModeArgumentLevel(std::string_view modes, uint32_t n, const ChannelModeRules& rules) {
    bool marked = false;
    const std::vector<ModeArgument> arguments = ModeArguments(modes, rules, marked);
    if (n >= arguments.size()) return marked ? kModeFetchMark : 0;
    const ModeArgument& argument = arguments[n];
    const int32_t level = argument.PrefixMode ? LevelOfLetter(argument.Letter) * (argument.Set ? 1 : -1) : 0;
    return (argument.Marked ? kModeFetchMark : 0) + level;
}

int32_t ModeArgumentLevel(std::string_view modes, uint32_t n) {
    return ModeArgumentLevel(modes, n, ChannelModeRules{});
}
