// Texts of the main menu's items.
#pragma once

#include <cstdint>

// Copies the text of the main menu's item (at most 999 characters) into out (at least 1000
// characters), cut at its first tab and at its first '.'.
void GetMenuLabel(uint32_t commandId, uint32_t flags, wchar_t* out);

constexpr uint32_t kBanListMenuCommand = 603;
constexpr uint32_t kExceptionListMenuCommand = 604;
constexpr uint32_t kChannelListCommand = 772;
