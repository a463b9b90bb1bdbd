// Emptying a chat view ("/clear").
#pragma once

#include "core/client_services.h"

struct WindowRecord;

namespace views {
// Empties the record's view and forgets the sender its chat lines were grouped by, on the thread
// that owns the view (which alone keeps the sender fields).
void ClearChatView(WindowRecord* record);
} // namespace views
