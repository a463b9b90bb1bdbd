// What every built-in shares once its call is dispatched: reading its arguments as numbers
// and small numbers, refusing a call, and leaving its results in one of their two forms (text,
// which the caller quotes, or bare).
#pragma once

#include "script/builtin_dispatch.h"

#include <cstdint>
#include <string>
#include <vector>

// Result codes of a built-in: the caller quotes text results and inserts bare ones as they
// stand.
constexpr uint32_t kBareResult = 1;
constexpr uint32_t kTextResult = 2;

// Ends the call with the refusal code 0: "Invalid number of parameters to function." and the
// script ends. Used for wrong counts, missing windows and values outside what a built-in allows.
[[noreturn]] void RefuseBuiltin();

// Checks the count like CheckScriptArgCount: exactly (or at least) needed arguments.
inline void RequireArgs(const BuiltinCall& call, uint32_t needed, bool exact = true) {
    CheckScriptArgCount(call.Arguments, needed, exact);
}

inline bool HasArg(const BuiltinCall& call, size_t index) {
    return index < call.Arguments.size();
}
inline const std::string& Arg(const BuiltinCall& call, size_t index) {
    return call.Arguments[index];
}
// A number: blanks, tabs and quotes skipped, then a signed 64-bit decimal.
int64_t ArgNumber(const BuiltinCall& call, size_t index);
// A small number: the C library's atol (white space skipped, 32-bit signed, 0 without digits).
int32_t ArgSmallNumber(const BuiltinCall& call, size_t index);
// The low 32 bits of a number, unsigned.
uint32_t ArgLow32(const BuiltinCall& call, size_t index);
// A small number when the argument is given, else the fallback.
int32_t ArgSmallNumberOr(const BuiltinCall& call, size_t index, int32_t fallback);
// A count, index or position that must lie from 0 to limit: anything else refuses the call.
uint64_t ArgBoundedNumber(const BuiltinCall& call, size_t index, uint64_t limit);

// Results: the one value of the call, or a list that replaces the results.
uint32_t TextResult(BuiltinCall& call, std::string value);
uint32_t BareResult(BuiltinCall& call, std::string value);
uint32_t NumberResult(BuiltinCall& call, int64_t value); // "%I64i", bare
uint32_t TextListResult(BuiltinCall& call, std::vector<std::string> values);
// The list, or only the value at index when an index argument is given and lies inside it.
uint32_t TextListOrOne(BuiltinCall& call, std::vector<std::string> values, size_t indexArgument);
// A result made as wide text: converted in the default code page as the call returns.
uint32_t WideTextResult(BuiltinCall& call, std::wstring value, bool utf8 = false);
