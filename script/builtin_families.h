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
// The last named entries of the chain.
std::span<const BuiltinEntry> SlicingBuiltins();
