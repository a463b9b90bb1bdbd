// Background fills that may be gradients described in the configuration.
#pragma once

#include <windows.h>

#include <string>

// The text of the "Cfg\\Colors" key: empty fills the rectangle with the default colour; else it is
// a gradient stored as text. Returns whether a gradient was drawn.
bool FillWithConfigColor(HDC dc, const RECT& rect, COLORREF defaultColor, const char* key);
// Decodes a gradient stored as Base64 text (one line) and draws it: vertex positions are
// percentages of the rectangle's right and bottom. Text whose counts do not match its
// decoded length, or whose meshes name missing vertices, draws nothing and returns false.
bool FillGradientSpec(HDC dc, const RECT& rect, const std::string& encoded);
