#include "irc/channel_mode_rules.h"

#include "common/text_split.h"

#include <vector>

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

int32_t ModeArgumentLevel(std::string_view modes, uint32_t n, const ChannelModeRules& rules) {
    int32_t sign = 1;
    int32_t mark = 0;
    uint32_t argument = 0;
    for (char c : modes) {
        if (c == '+' || c == '-') {
            sign = c == '+' ? 1 : -1;
            continue;
        }
        const bool levelMode = rules.LevelModes.find(c) != std::string::npos;
        bool takesArgument = levelMode;
        if (!levelMode && rules.Announced)
            takesArgument = rules.ArgumentModes.find(c) != std::string::npos ||
                            (sign > 0 && rules.SetArgumentModes.find(c) != std::string::npos);
        if (!levelMode) mark = kModeFetchMark;
        if (!takesArgument) continue;
        if (argument++ == n) return mark + (levelMode ? LevelOfLetter(c) * sign : 0);
    }
    return mark;
}

int32_t ModeArgumentLevel(std::string_view modes, uint32_t n) {
    return ModeArgumentLevel(modes, n, ChannelModeRules{});
}
