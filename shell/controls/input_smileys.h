// Smileys in a chat window's input box: each complete smiley run of the display markup is shown
// as its picture on the box's background, and the box's text is read with every such picture
// given back as the run it stands for, so what is sent stays the markup.
#pragma once

#include <windows.h>

#include <string>

// Turns the smiley runs of the box's text into their pictures; the caret keeps its place in the
// text. A box that is not a Rich Edit is left as it is.
void ShowInputSmileys(HWND box);
// The box's text, each smiley picture written as its run.
std::wstring InputTextWithSmileys(HWND box);
