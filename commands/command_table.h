// The command words the interpreter knows, in the order they are compared.
#pragma once

#include "commands/command_call.h"

#include <cstdint>
#include <string>

struct CommandRow {
    const char* Words; // the row's command words, separated by blanks
    uint32_t MinWords; // the least number of words, the command word included
    bool Exact;        // exactly MinWords words
    CommandHandler Handler;
};

// The first row, in table order, that has the word (compared without regard to case); null
// when none has it.
const CommandRow* FindCommandRow(const std::string& word);
