// Progress and failure lines of a connection: language strings printed into its server window.
#pragma once

#include "common/lang_string_ids.h"

#include <cstdint>
#include <initializer_list>
#include <string>

struct WindowRecord;

// Replaces each printf conversion of the format ("%s", "%u", "%ls", ...) with the next
// argument as text, "%%" with "%"; a conversion without an argument becomes empty. The format
// is never handed to printf, so a translation with the wrong conversions cannot misread memory.
std::wstring FillLangText(const wchar_t* format, std::initializer_list<std::wstring> arguments);

// Prints the language string, filled with the arguments, as an information line.
void PrintConnectionMessage(WindowRecord* window, int32_t stringId,
                            std::initializer_list<std::wstring> arguments = {});
