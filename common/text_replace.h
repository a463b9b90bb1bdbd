// Find-and-replace with word-boundary modes, and the small escapes of settings texts.
#pragma once

#include <cstdint>
#include <string>

// Modes: 0 anywhere; 1 only between blanks or string ends; 2 not inside a word (no digit,
// letter or apostrophe on either side, no '[' after); any other mode: no '[' after.
// Returns whether anything was replaced. The search resumes after each inserted text, so
// a replacement that contains the searched text cannot loop.
bool StringReplace(std::string& text, const char* find, const char* replacement, bool once, int mode);
// Wide twin: mode 2 tests only digits and ASCII letters; modes other than 0, 1, 2 replace all.
bool StringReplaceW(std::wstring& text, const wchar_t* find, const wchar_t* replacement, bool once, int mode);
// With quote set, the replacement is wrapped in double quotes.
bool StringReplaceEx(std::string& text, const char* find, const char* replacement, bool once, int mode,
                     bool quote);
bool StringReplaceNumber(std::string& text, const char* find, uint64_t number, bool once, int mode,
                         bool quote);

// "\xHH" becomes the byte HH (00 removes the escape); with backslashEscapes also "\\\\",
// "\\n" and "\\r" become a backslash, LF and CR. One pass, left to right.
void UnescapeString(std::string& text, bool backslashEscapes);
void UnescapeInPlace(char* text, bool backslashEscapes);
std::string& DoubleBackslashes(std::string& text);

int HexPairValue(char high, char low);
// A character that is not a decimal digit counts as its own byte value.
int ParseTwoDigits(char tens, char ones);
