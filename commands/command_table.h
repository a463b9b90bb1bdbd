// The command words the interpreter knows, in the order they are compared.
#pragma once

#include "commands/command_call.h"

#include <cstdint>
#include <span>
#include <string>

// Whether a row may run while text from outside is handled (core/remote_text.h). Every row says
// it: a row written without it does not compile. Refused rows start programs, load code or
// plug-ins, write or delete files, fetch to a file, offer or send files and objects, open DCC
// connections, evaluate text they are given as script, or change the settings (or open them).
enum class RemoteText : uint8_t {
    Runs = 1,
    Refused = 2,
};

struct CommandRow {
    const char* Words; // the row's command words, separated by blanks
    RemoteText Remote; // whether it runs for text from outside
    uint32_t MinWords; // the least number of words, the command word included
    bool Exact;        // exactly MinWords words
    CommandHandler Handler;
};

// The first row, in table order, that has the word (compared without regard to case); null
// when none has it.
const CommandRow* FindCommandRow(const std::string& word);
// Every row, in table order.
std::span<const CommandRow> CommandRows();
