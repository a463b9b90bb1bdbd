// Lists of texts kept in one setting of the user's document, joined by a separator.
#pragma once

#include <string>
#include <vector>

// Joins the items with the separator between them and writes the result into
// UserConfigDocument. Returns the write's result.
int WriteProfileStringList(const char* section, const char* key, const std::vector<std::string>& items,
                           const char* separator);
int WriteProfileWStringList(const char* section, const char* key, const std::vector<std::wstring>& items,
                            const wchar_t* separator);
