// The two reporters of the script engine: the red error line that ends a script and the
// debug echo of a line.
#pragma once

#include <string>

struct WindowRecord;

// Thrown by ThrowScriptError; ends the running script, which catches it.
struct ScriptError {};

// Messages of the errors that end a script.
extern const wchar_t* const kWrongArgumentCountMessage; // "Invalid number of parameters to function."
extern const wchar_t* const kInvalidFunctionMessage;    // "Invalid Function"

// Prints "Script Error [line] : message" into the window as an information line, then throws
// ScriptError.
[[noreturn]] void ThrowScriptError(WindowRecord* window, const std::string& scriptLine,
                                   const std::wstring& message);
// Prints the line as the debug echo: "Line : line".
void PrintScriptLine(WindowRecord* window, const std::string& scriptLine);
// The text ThrowScriptError prints, without printing it.
std::wstring FormatScriptErrorLine(const std::string& scriptLine, const std::wstring& message);
