// Splitting texts into pieces (plain and quote-aware) and trimming line ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr uint32_t kSplitUnlimited = 0xFFFFFFFF;

// Cleared first. Cuts at each separator, empty pieces included, until the vector holds
// maxCuts pieces; then the rest of the text becomes the last piece.
void SplitString(std::vector<std::string>& out, std::string_view text, uint32_t maxCuts,
                 std::string_view separator);
void SplitStringW(std::vector<std::wstring>& out, std::wstring_view text, uint32_t maxCuts,
                  std::wstring_view separator);

// Appends the non-empty pieces. With quoteAware, a separator inside a quoted range (double
// quotes and apostrophes alike) does not cut; quote characters stay in the pieces.
void SplitQuoted(std::vector<std::string>& out, std::string_view text, std::string_view separator,
                 bool quoteAware);
void SplitQuotedW(std::vector<std::wstring>& out, std::wstring_view text, std::wstring_view separator,
                  bool quoteAware);

// Appends the position of every double quote and apostrophe.
void CollectQuotePositions(const char* text, size_t length, std::vector<uint32_t>& out);
void CollectQuotePositionsW(const wchar_t* text, size_t length, std::vector<uint32_t>& out);

// Remove every trailing CR and LF; the C-string forms return the last character examined.
char TrimCrLf(char* text);
wchar_t TrimCrLfW(wchar_t* text);
void TrimStringCrLf(std::string& text);
void TrimWStringCrLf(std::wstring& text);
// Appends CR LF when the buffer of the given size has room; 0 on success, -1 otherwise.
int AppendCrLf(char* text, size_t size);
int AppendCrLfW(wchar_t* text, size_t size);
