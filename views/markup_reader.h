// Reading one line of display markup into the pieces a Rich Edit view receives: runs of text in
// one look each, and the things put between them (tables, smileys, object offer lines).
#pragma once

#include "markup/markup_fields.h"

#include <windows.h>
#include <richedit.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

// Everything a run of text carries into the control.
constexpr DWORD kRunMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET | CFM_BACKCOLOR | CFM_BOLD |
                           CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_UNDERLINETYPE | CFM_LINK |
                           CFM_HIDDEN;

struct MarkupItem {
    enum Kind { kText, kTable, kSmiley, kOffer } Type = kText;
    CHARFORMAT2W Look{};
    // The text of a run; of a smiley, table or offer, its raw text (the digits, the command's
    // fields) in the look around it.
    std::wstring Text;
    MarkupTable Table;
    uint64_t Number = 0;
    ObjectOffer Offer;
};

// What reading a line does besides reading it: a line put into a view records its link commands,
// sounds its beeps and shakes its window; a line read again at every paint does none of that.
enum class MarkupEffects { kAct, kQuiet };

// As a line's colour: the text starts in the start look's colour (automatic when it is), not a
// colour of its own; no colour a setting holds has this top byte.
constexpr COLORREF kStartLookColor = 0xFF000000;

// Reads the line (up to and including its first line break) from the start look, with the
// line's colour as the first text colour. With kAct, link commands are recorded as the links are
// read, beeps sound and the window (of the record, when given) shakes as the codes say. A link or
// hidden range left open at the end of the line is not marked.
std::vector<MarkupItem> ReadMarkupLine(const std::wstring& line, const CHARFORMAT2W& start, COLORREF color,
                                       bool ignoreAttributes, const WindowRecord* record,
                                       MarkupEffects effects = MarkupEffects::kAct);

// True when both looks draw text alike (the attributes of kRunMask).
bool SameRunLook(const CHARFORMAT2W& a, const CHARFORMAT2W& b);
