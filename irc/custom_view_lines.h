// Lines for the custom-drawn chat view.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

// Appends {kind, text} to the line list of the record's custom-drawn view and repaints it;
// nothing when the view is not a custom-drawn one.
void AppendViewLine(WindowRecord* record, const std::wstring& text, uint32_t kind);

struct UserAddress;

// The custom view's own text for a join, mode or topic line (kinds 2, 4, 5), appended to the
// window's view; other kinds add nothing. message: the mode changes or the new topic.
void FormatViewEventLine(WindowRecord* record, uint32_t kind, const std::string& message,
                         const UserAddress& sender);
