// Event scripts: the scripts of "Special_Scripts", run when the program fires an event.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

constexpr uint32_t kNoEventScript = 0xFFFFFFFF;

// Runs the event script of that name. kNoEventScript when there is none; 1 when the script
// handled the event (the caller then skips its own handling), or with checkOnly set when a
// script exists; otherwise the script's result.
uint32_t RunEventScript(const char* eventName, WindowRecord* window, WindowRecord* target,
                        const std::string& parameters, std::string& result, uint8_t checkOnly);
