// Event scripts (the children of "Special_Scripts", run when the program fires an event) and
// typed-command triggers (the type-0 children of "Scripts").
#pragma once

#include "core/client_services.h"

#include <cstdint>
#include <string>

struct WindowRecord;

namespace script {
// Runs the event script of that name. kNoEventScript when there is none; 1 when the script
// handled the event (the caller then skips its own handling), or with CheckOnly set when a
// script exists; otherwise the script's result.
uint32_t RunEventScript(const char* eventName, WindowRecord* window, WindowRecord* target,
                        const std::string& parameters, std::string& result, EventScriptOptions options = {});
} // namespace script

namespace script {
// Thread procedure (also called directly): runs the enabled type-0 trigger script whose
// "Trigger" equals the line's first word, or sends the line without its "/" to the server.
// Takes and frees the job (a heap ScriptTriggerJob).
unsigned __stdcall RunTriggerScriptThread(void* job);
} // namespace script

// qsort-style ordering of two script entries (pointers to XmlElement pointers) by their "name"
// variables, ignoring case.
int CompareScriptEntriesByName(const void* a, const void* b);
