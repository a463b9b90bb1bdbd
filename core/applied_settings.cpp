#include "core/applied_settings.h"

std::vector<HFONT> ConfiguredFonts;
std::atomic<uint8_t> GroupChatMessages{0};
