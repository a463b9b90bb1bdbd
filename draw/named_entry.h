// One line of the custom-drawn chat view: its kind, its text with display markup, and the
// formatted runs that text is cut into for drawing (a cache, empty until first laid out).
#pragma once

#include "draw/painter.h"

#include <cstdint>
#include <string>
#include <vector>

struct TextRun {
    std::wstring Text;
    uint8_t Bold = 0;
    uint8_t Italic = 0;
    uint8_t Underline = 0; // also set for a link
    uint8_t Strike = 0;
    uint8_t Link = 0;
    LOGFONTW Font{};             // all zero: the view font
    PainterColor Foreground = 0; // 0: the default
    PainterColor Background = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    int32_t X = -1; // where it was last drawn
    int32_t Y = -1;
};

constexpr uint32_t kInformationKind = 14;

struct NamedEntry {
    NamedEntry() = default;
    NamedEntry(const wchar_t* text, uint32_t kind) : Kind(kind), Text(text ? text : L"") {}
    uint32_t Kind = kInformationKind;
    std::wstring Text;
    std::vector<TextRun> Runs;
};
