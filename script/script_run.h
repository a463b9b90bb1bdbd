// The state of one run of the interpreter, shared by its statement, condition and directive
// parts.
#pragma once

#include "script/script_structure.h"
#include "script/script_text.h"
#include "core/script_variable.h"

#include <cstdint>
#include <string>

struct WindowRecord;

struct ScriptRun {
    ScriptRun(ScriptProgram& program, WindowRecord* connectionWindow, WindowRecord* window,
              const std::string& parameters)
        : Program(program), ConnectionWindow(connectionWindow), Window(window), Parameters(parameters) {}

    ScriptProgram& Program;
    WindowRecord* ConnectionWindow;
    WindowRecord* Window;
    const std::string& Parameters;
    ScriptVariableList Locals;

    uint8_t FirstStatement = 1;
    uint8_t Debug = 0;
    uint32_t LockResult = 0;
    int32_t LoopControl = 0; // 0 none, 1 continue, 2 break, -1 leave the loop
    bool SkippingFunction = false;
    bool FastUsed = false;
    bool Ended = false;
    bool EndedByRequire = false;
    size_t Next = 0;       // the line that runs next
    uint64_t Executed = 0; // lines run so far
    ScriptText Work;       // the line being run, after expansion

    // The run pass; throws ScriptError when the script ends with an error.
    void Run();
    // Restores what the run changed for the whole program ("#fast").
    void Finish();

    void RunLine(size_t index);
    void RunIf(size_t index);
    void RunElse(size_t index);
    void RunFor(size_t index);
    void RunDirective();
    void RunEmbeddedScript(size_t number);
    // Raises the error when a next line exists and does not begin with "{".
    void RequireBrace(size_t index, const wchar_t* message);
    // The opening record of the brace on the line, or null.
    ScriptBlock* OpeningAt(size_t line);
};

// A comparison written in an "if" or "for" line.
struct ScriptComparison {
    bool HasOperator = false;
    std::string Operator;
    uint32_t Kind = 0; // the kind of both sides
    bool Value = false;
};

// Splits the condition at its comparison operator and compares the two sides; raises "Type
// mismatch in comparison" when one side is a number and the other a text.
ScriptComparison CompareScriptCondition(ScriptRun& run, const ScriptText& condition);
