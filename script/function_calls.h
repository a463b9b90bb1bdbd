// Calls of built-in functions written in script text: name(arguments), and groups written as
// (expression), each replaced by its result.
#pragma once

#include "script/builtin_dispatch.h"
#include "script/script_text.h"
#include "core/script_variable.h"

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

// Replaces every call in the text by its result, innermost first. Only written parentheses,
// commas and quotes count; results are inserted text, so a result is never called again and a
// quoted stretch of the line as written is never taken for a call.
void EvaluateFunctionCalls(WindowRecord* connectionWindow, WindowRecord* window, ScriptVariableList& locals,
                           ScriptText& text, const std::string& parameters,
                           std::span<const BuiltinEntry> table = BuiltinTable());

// Rewrites an alias name and appends its fixed arguments; true when the name was an alias.
bool ResolveFunctionAlias(std::string& name, std::vector<std::string>& arguments);

// What replaces a call: nothing, the one result, or "{" the results joined by "," "}"; with
// code 2 each result in double quotes. Results are inserted text.
ScriptText FormatCallResults(const std::vector<std::string>& results, uint32_t code);
