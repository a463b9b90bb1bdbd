// Reading UTF-8 one sequence at a time, strictly: text from outside may hold bytes that are not
// UTF-8 at all, or forms other programs refuse (overlong forms, encoded surrogates).
#pragma once

#include <cstddef>
#include <string_view>

// The length of the well-formed sequence at the front of the text (shortest form, no surrogate,
// at most U+10FFFF), with its code point; 0 when the front is none (or the text is empty).
size_t Utf8SequenceAt(std::string_view text, char32_t* code = nullptr);
// Every byte belongs to a well-formed sequence.
bool IsWellFormedUtf8(std::string_view text);
