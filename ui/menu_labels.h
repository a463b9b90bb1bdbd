// Texts of the main menu's items.
#pragma once

#include "core/client_services.h"

#include <cstdint>

namespace ui {
// Copies the text of the main menu's item (at most 999 characters) into out (at least 1000
// characters), cut at its first tab and without its trailing dots.
void GetMenuLabel(uint32_t commandId, uint32_t flags, wchar_t* out);
} // namespace ui
