// Script variables in three scopes (the running script's, its server connection's and the
// program-wide one), their insertion into script text, and the statement line.
#pragma once

#include "script/script_text.h"
#include "core/script_variable.h"

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <string>

struct WindowRecord;

enum ScriptScope : uint32_t {
    kLocalScope = 0,
    kConnectionScope = 1,
    kGlobalScope = 2,
};

// The program-wide scope.
extern ScriptVariableList GlobalScriptVariables;

// Guards the global list and the variable list of every server connection: script threads,
// connection threads and the interface thread share them. Hold it shared to read and
// exclusively to change either; a pointer into one of those lists is valid only while it is
// held. Never print, send or wait for another thread while holding it.
class ScriptScopesLock {
public:
    void lock() { AcquireSRWLockExclusive(&srw_); }
    void unlock() { ReleaseSRWLockExclusive(&srw_); }
    void lock_shared() { AcquireSRWLockShared(&srw_); }
    void unlock_shared() { ReleaseSRWLockShared(&srw_); }

private:
    SRWLOCK srw_ = SRWLOCK_INIT;
};
ScriptScopesLock& ScriptScopesMutex();
using ScriptScopesReadLock = std::shared_lock<ScriptScopesLock>;
using ScriptScopesWriteLock = std::unique_lock<ScriptScopesLock>;

// The connection-scope list of the window's server window, or null.
ScriptVariableList* ConnectionScriptVariables(WindowRecord* window);

// Local list first, then the connection's, then the global one; names compare ignoring case.
// The caller holds ScriptScopesMutex (shared at least).
ScriptVariable* FindScriptVariable(ScriptVariableList& locals, WindowRecord* window, const std::string& name,
                                   uint32_t* scope);
// Returns the variable of that name in any scope unchanged, or appends a new one to the scope
// asked for. The caller holds ScriptScopesMutex exclusively. Null when the connection scope is
// asked for and the window has no connection.
ScriptVariable* SetScriptVariable(ScriptVariableList& locals, WindowRecord* window, const std::string& name,
                                  const std::string& value, uint32_t scope);

// Inserts the values of the variables into the text in one pass: a value is not looked at again
// by this pass. Takes the scopes lock itself.
void ExpandVariables(ScriptVariableList& locals, WindowRecord* connectionWindow, WindowRecord* window,
                     ScriptText& text, uint8_t noQuotes, uint8_t keepTarget, uint8_t debug);

// Runs one statement line: an assignment, a "/" command or a text line.
// Remembers the variable's values as the user's own words set them (users), or forgets that
// they were (core/script_variable.h).
void NoteUsersValues(ScriptVariable& v, bool users);
// Hands the line, from byte from on, to the input dispatcher with the marks of its bytes.
void RunMarkedLine(const ScriptText& line, WindowRecord* window, size_t from = 0);
void ExecuteStatementLine(ScriptText& line, uint8_t* firstStatement, uint8_t* debug,
                          ScriptVariableList& locals, WindowRecord* connectionWindow, WindowRecord* window,
                          const std::string& parameters);

// The highest element index an assignment may name; a larger one leaves the variable alone.
constexpr int32_t kMaxScriptListIndex = 100000;
