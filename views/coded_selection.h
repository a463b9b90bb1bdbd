// A Rich Edit selection turned back into display markup (what Shift+copy puts on the clipboard).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The selected text with the codes that reproduce its formats; nothing when no text is selected.
// Bold, italic, underline and strike-out write their toggle codes at each change, the size its
// difference to the selection's first character ("\x19" n), a colour "\x03" n[,n] when it is in
// the palette and "\x07" hex8[,hex8] otherwise. Hidden text is left out.
std::optional<std::wstring> GetSelectionAsCodedText(HWND richEdit);
