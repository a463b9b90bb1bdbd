// The command words the interpreter knows, in the order they are compared.
#pragma once

#include "commands/command_call.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Whether a row needs the user's own words where it chooses what happens (core/remote_text.h).
// Every row says it: a row written without it does not compile. Refused rows start programs,
// load code or plug-ins, write or delete files, fetch to a file, offer or send files and
// objects, open DCC connections, evaluate text they are given as script, or change the settings
// (or open them): a byte from outside in one of their capability words refuses the line.
enum class RemoteText : uint8_t {
    Runs = 1,
    Refused = 2,
};

// The words of a line that choose what a refused row does: bit n stands for word n (word 0 is
// the command word itself); From, when not 0, adds word From and every word after it.
struct CapabilityWords {
    uint32_t Words = 0;
    uint8_t From = 0;
    constexpr bool Has(size_t word) const {
        return (word < 32 && ((Words >> word) & 1u)) || (From != 0 && word >= From);
    }
};
constexpr CapabilityWords kNoWord{};
constexpr CapabilityWords kCommandWord{1u, 0};
constexpr CapabilityWords kEveryWord{1u, 1};
// The command word and every word from n on.
constexpr CapabilityWords CommandWordAndFrom(uint8_t n) {
    return {1u, n};
}

struct CommandRow {
    const char* Words;          // the row's command words, separated by blanks
    RemoteText Remote;          // whether it needs the user's own words
    CapabilityWords Capability; // where, for a refused row; kNoWord for a row that runs
    uint32_t MinWords;          // the least number of words, the command word included
    bool Exact;                 // exactly MinWords words
    CommandHandler Handler;
};

// The first capability word of the line (split into words at blanks, as the interpreter does)
// that holds a byte from outside by its marks; empty when the row may run.
std::string OutsideCapabilityWord(const CommandRow& row, std::string_view line, std::string_view marks);

// The first row, in table order, that has the word (compared without regard to case); null
// when none has it.
const CommandRow* FindCommandRow(const std::string& word);
// Every row, in table order.
std::span<const CommandRow> CommandRows();
