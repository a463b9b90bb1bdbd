// Texts of the user interface, fetched by id from the language library and cached for the
// life of the program. Safe to call from any thread.
#pragma once

#include <cstdint>

// The text with that id; never null. A missing id, or one outside the 16-bit range of string
// ids, gives an empty text. The pointer stays valid until FreeLangStrings.
const wchar_t* GetLangString(int32_t id);
void FreeLangStrings();

// The consecutive texts from id 5001 up to the first empty one (at most 999).
void LoadLangStringList();
void FreeLangStringList();
// The list's text at index (0 = id 5001); null past the last one. Valid until FreeLangStringList.
const wchar_t* LangStringListEntry(uint32_t index);
