// The commands behind the links of printed lines, kept in the temporary document so that a click
// on a link finds them by the index hidden in the line.
#pragma once

#include <cstdint>
#include <string>

// Adds one "l" child to "Links" of the temporary document for a link's brace part (the text
// between "{" and "}"), and one "e" {v = label, c = command} under it per "label|||command"
// pair. Returns the child's index; opened is false (and no pair is kept) when the parts are not
// an even, non-zero number.
uint32_t RecordLinkCommands(const std::wstring& braceText, bool& opened);
// Whether the brace part opens a link: its parts are an even, non-zero number.
bool LinkCommandsOpen(const std::wstring& braceText);

// The hidden text that follows a link's opening code and names its index: 18 25 "_L_n_L_" 18 25.
std::wstring LinkIndexMarker(uint32_t index);
