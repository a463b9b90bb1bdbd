// The save dialog of the frame.
#pragma once

#include "core/client_services.h"

#include <string>

namespace ui {
// Asks for a file name to save to, owned by the frame, starting in the folder with the name path
// holds; filter is a pattern such as "*.XML". True with the chosen path on OK.
bool PromptSaveFileName(const std::wstring& folder, const std::wstring& filter, std::wstring& path);
} // namespace ui
