// The one road by which every line reaches a chat window.
#pragma once

#include "core/client_services.h"
#include "core/line_kind.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

namespace views {
// Prints one line with display markup into the record's view (or into the options' view when
// given). The line is printed on the thread that owns the view, which alone keeps the window's
// sender fields: a chat line with its sender is grouped with the sender's previous line and noted
// as the last one; any other line ends the group.
void PrintToWindow(LineKind kind, WindowRecord* record, const std::wstring& text,
                   const PrintOptions& options = {});
// Prints the lines in order as one pass into the record's own view (each as PrintToWindow with
// noTimeStamp would), so a long list goes into the view at once rather than line by line.
void PrintLinesToWindow(LineKind kind, WindowRecord* record, const std::vector<std::wstring>& lines,
                        uint8_t noTimeStamp = 0);
} // namespace views
