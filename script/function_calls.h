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

// Replaces every call in the text by its result, innermost first. A call's name and parentheses
// must be written (script_text.h); a result is never called again, and a quoted stretch is never
// taken for a call.
void EvaluateFunctionCalls(WindowRecord* connectionWindow, WindowRecord* window, ScriptVariableList& locals,
                           ScriptText& text, const std::string& parameters,
                           std::span<const BuiltinEntry> table = BuiltinTable());

// Rewrites an alias name and appends its fixed arguments; true when the name was an alias.
bool ResolveFunctionAlias(std::string& name, std::vector<std::string>& arguments);

// What replaces a call: nothing, the one result, or "{" the results joined by "," "}"; with
// code 2 each result in double quotes. Results are marked as calls' results.
ScriptText FormatCallResults(const std::vector<std::string>& results, uint32_t code,
                             bool fromOutside = false);
