// The section the preferences window opens at, left by "/prefs" for the frame's menu command.
#pragma once

#include <string>

void SetPreferencesPendingSection(const std::string& section);
// The section left for the window (empty when none), which is then forgotten.
std::string TakePreferencesPendingSection();
