// Background fills that may be gradients described in the configuration.
#pragma once

#include <windows.h>

#include <string>

// The text of the "Cfg\\Colors" key: empty fills the rectangle with the default colour; else it is
// a gradient specification. Returns whether a gradient was drawn.
bool FillWithConfigColor(HDC dc, const RECT& rect, COLORREF defaultColor, const char* key);
// Decodes a gradient specification (Base64, one-line form) and draws it: vertex positions are
// percentages of the rectangle's right and bottom. A specification whose counts do not match its
// decoded length, or whose meshes name missing vertices, draws nothing and returns false.
bool FillGradientSpec(HDC dc, const RECT& rect, const std::string& spec);
