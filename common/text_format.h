// Formatting of numbers, byte sizes, durations and times, and small number helpers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// "00:00:SS", "00:MM:SS" or "HH:MM:SS" (hours may have more digits).
std::wstring FormatDuration(uint32_t seconds);
// UTC "DD-MM-YYYY , hh:mm:ss".
std::wstring FormatUnixTime(int32_t secondsSince1970);
// "%u B", "%.1f KB", "%.1f MB" or "%.1f GB" in units of 1024.
std::wstring FormatByteSize(uint64_t bytes);
std::string Int64ToString(int64_t value);
std::wstring Int64ToWString(int64_t value);

// Whole seconds from earlier to later, truncated toward zero.
int64_t SecondsBetween(const SYSTEMTIME& earlier, const SYSTEMTIME& later);
// (a x b) / 100 without intermediate overflow.
int32_t PercentOf(int32_t a, int32_t b);
// The C library's random number modulo n; 0 for n = 0.
int32_t RandomBelow(int32_t n);
// Writes eight random lower-case letters into a 9-byte buffer and returns 2; when the buffer
// already holds text and the previous call wrote a word, keeps it once and returns 1.
int MakeRandomWord(char (&word)[9]);

// A dialog control's text (at most 10,000 characters), as UTF-8 or wide text.
void GetDlgItemUtf8String(std::string& out, HWND dialog, int controlId);
void GetDlgItemWString(std::wstring& out, HWND dialog, int controlId);
