// Turning the stored settings into the lists, fonts and colours the program works with.
#pragma once

#include <atomic>
#include <cstdint>

// Set by the preferences when a font or colour was chosen; cleared only when the preferences
// open again, so every later run makes the fonts (or sets the colours) again until then.
extern std::atomic<uint8_t> FontsChanged;
extern std::atomic<uint8_t> ColoursChanged;

// Interface thread: reads the user lists and the plug-in paths, makes the five fonts when there
// are none or they changed and gives them to every window, sets the colours when they changed, and
// reads the grouping of chat lines.
void ApplySettings();
// Gives every chat window the stored colours again: view and input backgrounds, the input's text
// colour and the nick list's background.
void GiveColoursToAllWindows();
