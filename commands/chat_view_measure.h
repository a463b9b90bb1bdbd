// The size of one of the custom view's own lines (the typed line, the header).
#pragma once

#include "draw/named_entry.h"

struct WindowRecord;

// Height << 16 | width of the entry's whole text, markup included, in the painter's current font.
uint32_t MeasureEntryText(WindowRecord* record, Painter* painter, const NamedEntry& entry);
