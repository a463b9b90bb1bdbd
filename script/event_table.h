// The events the program fires at the scripts of "Special_Scripts": each one's name, when it is
// fired, what its script receives as parameters and what "#lock" (the script's answer 1) does.
// The help file's page of events is written from this table.
#pragma once

#include <span>

struct ScriptEvent {
    const char* Name;
    const char* FiredWhen;
    const char* Parameters;
    const char* Handled;
};

std::span<const ScriptEvent> ScriptEvents();
