// Menu commands that offer pictures, movies, files and controls to a window's target as objects.
#pragma once

#include <windows.h>

struct WindowRecord;

// Runs the command when it is one of them; false otherwise.
bool ObjectMenuCommand(WindowRecord* record, UINT id);
