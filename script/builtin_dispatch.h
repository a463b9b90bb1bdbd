// The one entry of the built-in functions: argument normalisation, the name table, the
// argument-count check, window look-up by name and the error codes that end a script.
#pragma once

#include "script/script_text.h"
#include "core/script_variable.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct ServerConnection;
struct WindowRecord;

// What one call of a built-in sees.
struct BuiltinCall {
    WindowRecord* ConnectionWindow; // errors print here; window names are looked up in its connection
    WindowRecord* Window;           // the window the script acts in
    const std::string& ScriptLine;  // quoted in error lines
    ScriptVariableList& Locals;
    const std::string& Name;
    std::vector<std::string>& Arguments; // trimmed of blanks and enclosing double quotes
    std::vector<uint32_t>& Quoted;       // 1 where the argument was written as a quoted text
    std::vector<std::string>& Results;   // holds one empty value on entry
    const std::string& Parameters;       // the text the script was started with
    ServerConnection* Connection;        // of the connection window's server window, or null
    // A result produced as wide text; when set it becomes Results[0] as the built-in returns,
    // in the default code page or, with WideResultUtf8, in UTF-8.
    std::wstring WideResult;
    uint8_t HasWideResult = 0;
    uint8_t WideResultUtf8 = 0;
};

// Returns the result code: 2 the results are texts (the caller quotes them); anything else
// the results are used as they stand.
using BuiltinHandler = uint32_t (*)(BuiltinCall& call);

// Whether a call is of a kind that only the user's own words may choose (core/remote_text.h):
// the built-ins that write or delete files, change the settings, load code or work the frame's
// menu. Such a call with a byte from outside in one of its capability arguments says so in the
// script's window and does nothing; its result stays empty and the script goes on.
using RemoteRefusal = bool (*)(const BuiltinCall& call);
bool RefusedForRemoteText(const BuiltinCall& call); // every call of the built-in

// The arguments of a built-in that choose what it does: bit n stands for argument n.
using ArgumentPositions = uint32_t;
constexpr ArgumentPositions kEveryArgument = ~0u;
constexpr ArgumentPositions kNoArgument = 0;
constexpr ArgumentPositions Argument(unsigned n) {
    return 1u << n;
}

struct BuiltinEntry {
    const char* Name; // compared ignoring case; the first equal row wins
    BuiltinHandler Handler;
    RemoteRefusal RefusedUnderMark = nullptr;      // null: nothing it does needs the user's words
    ArgumentPositions Capability = kEveryArgument; // with RefusedUnderMark: where those words stand
};

// The built-ins in their fixed order.
std::span<const BuiltinEntry> BuiltinTable();

uint32_t CallBuiltinFunction(WindowRecord* connectionWindow, WindowRecord* window,
                             const std::string& scriptLine, ScriptVariableList& locals,
                             const std::string& name, std::vector<std::string>& arguments,
                             std::vector<std::string>& results, const std::string& parameters);
// The same over a given table, with arguments that keep the marks of inserted text (a group's
// expression is evaluated with them).
// resultFromOutside, when given, tells whether the result holds text from outside: the call was
// given some, or reads it itself (a window's topic, a socket, a name server).
uint32_t CallBuiltinFunction(std::span<const BuiltinEntry> table, WindowRecord* connectionWindow,
                             WindowRecord* window, const std::string& scriptLine, ScriptVariableList& locals,
                             const std::string& name, std::vector<ScriptText>& arguments,
                             std::vector<std::string>& results, const std::string& parameters,
                             bool* resultFromOutside = nullptr);

// The record of the window of that name in the connection window's connection; null when
// there is none and allowMissing is set, otherwise refuses with code 0.
WindowRecord* FindScriptWindow(const std::string& name, WindowRecord* connectionWindow, bool allowMissing);
// Refuses with code 0 when there are fewer arguments than needed or, with exact, any other number.
void CheckScriptArgCount(const std::vector<std::string>& arguments, uint32_t needed, bool exact);
