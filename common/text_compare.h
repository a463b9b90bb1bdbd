// Case-insensitive comparison and wildcard matching. Only ASCII letters fold, through a
// 256-entry table that start-up fills once before anything matches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern unsigned char FoldTable[256];
void BuildFoldTable();
inline unsigned char FoldByte(unsigned char c) {
    return FoldTable[c];
}

// 1 match, 0 mismatch, -1 the text ended before the pattern.
int WildcardMatchCore(const char* text, const char* pattern, bool caseSensitive);
bool WildcardMatch(const char* text, const char* pattern, bool caseSensitive);
inline bool WildcardMatch(const std::string& text, const std::string& pattern, bool caseSensitive) {
    return WildcardMatch(text.c_str(), pattern.c_str(), caseSensitive);
}

bool StringEqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool StringEqualsNoCaseSz(const std::string& a, const char* b);
bool WStringEqualsNoCase(const std::wstring& a, const std::wstring& b);
bool WStringEqualsNoCase(const std::wstring& a, const wchar_t* b);

// Pairs (low, high); false for an empty list or an odd number of entries.
bool IsInRangeList(const std::vector<uint32_t>& pairs, uint32_t value);
bool IsNonEmpty(const char* text);
