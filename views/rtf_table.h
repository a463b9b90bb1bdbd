// A table inserted into a Rich Edit view as RTF.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The RTF of a rows x columns table (cells row by row) whose columns share the width: each
// cell's text is escaped, so no cell can end the table or add control words.
std::string BuildRtfTable(uint32_t rows, uint32_t columns, const std::vector<std::wstring>& cells,
                          bool borderless, int cellWidthTwips);
// Replaces the view's selection by the table; the width is the view's client width in twips.
void InsertRtfTable(HWND richEdit, uint32_t rows, uint32_t columns, const std::vector<std::wstring>& cells,
                    bool borderless);
