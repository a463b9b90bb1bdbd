// The values applying the settings fills, while the shell is not linked: no fonts yet.
#include "shell/applied_settings.h"

std::vector<HFONT> ConfiguredFonts;
std::atomic<uint8_t> GroupChatMessages{0};
