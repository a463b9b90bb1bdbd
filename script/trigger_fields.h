// The settings of a script entry under "Scripts" (a typed-command or incoming-text trigger): each
// one's name, the value a new entry gets and what it does. The help file's table of trigger
// settings is written from this table.
#pragma once

#include <span>

struct TriggerField {
    const char* Name;
    const char* NewValue;
    const char* Meaning;
};

std::span<const TriggerField> TriggerFields();
