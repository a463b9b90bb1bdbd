// The families of built-in functions, each in a file of its own; the built-in table joins
// their rows in a fixed order. Names in one family's rows that share a handler are aliases.
#pragma once

#include "script/builtin_dispatch.h"

#include <span>

std::span<const BuiltinEntry> WindowBuiltins();
std::span<const BuiltinEntry> VariableBuiltins();
std::span<const BuiltinEntry> AddressBuiltins();
std::span<const BuiltinEntry> NumberBuiltins();
std::span<const BuiltinEntry> StringBuiltins();
std::span<const BuiltinEntry> FormatBuiltins();
std::span<const BuiltinEntry> RememberedUserBuiltins();
std::span<const BuiltinEntry> FileStreamBuiltins();
std::span<const BuiltinEntry> FileSystemBuiltins();
std::span<const BuiltinEntry> SettingsBuiltins();
std::span<const BuiltinEntry> SocketBuiltins();
std::span<const BuiltinEntry> PromptBuiltins();
std::span<const BuiltinEntry> HashBuiltins();
std::span<const BuiltinEntry> SystemBuiltins();
std::span<const BuiltinEntry> MathBuiltins();
// The last named entries of the chain.
std::span<const BuiltinEntry> SlicingBuiltins();

// A family with what its functions are for, in the help file's words.
struct BuiltinFamily {
    const char* Title;
    const char* Summary;
    std::span<const BuiltinEntry> (*Rows)();
    // Its results are read from what a server or the network sent (names, topics, nick lists,
    // remembered users, socket reads, name server answers).
    bool ReadsOutsideText = false;
};
// The families in the order the built-in table joins them.
std::span<const BuiltinFamily> BuiltinFamilies();
// Whether the row of the program's table belongs to a family that reads text from outside.
bool BuiltinReadsOutsideText(const BuiltinEntry* entry);
