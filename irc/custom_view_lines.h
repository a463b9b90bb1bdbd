// Lines for the custom-drawn chat view.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

// Appends {kind, text} to the line list of the record's custom-drawn view and repaints it;
// nothing when the view is not a custom-drawn one.
void AppendViewLine(WindowRecord* record, const std::wstring& text, uint32_t kind);
