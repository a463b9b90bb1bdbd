// The input box's rules that need no window: history, Quick_Complete and window keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kMaxInputHistory = 100;

// Appends a submitted line; past kMaxInputHistory entries the oldest goes.
void AddToInputHistory(std::vector<std::wstring>& history, const std::wstring& line);

// Up and Down in a single-line box. index -1 means nothing is being recalled. Returns true when
// the box's text is to become text (an empty text after the newest entry).
bool RecallInputHistory(const std::vector<std::wstring>& history, int32_t& index, bool up,
                        std::wstring& text);

// Replaces every "From" word that stands between blanks or the text's ends by the "To" word of the
// same position, pair after pair; surplus words of either list are not used. The search goes on
// after each inserted text, so a "To" word that holds its "From" word cannot loop.
std::wstring ApplyQuickComplete(const std::wstring& text, const std::vector<std::wstring>& from,
                                const std::vector<std::wstring>& to);
// The same with the words of "Cfg\\Options3\\Quick_Complete" "From" and "To" (comma-separated).
std::wstring ApplyQuickCompleteSettings(const std::wstring& text);

// The window list index that Alt or Ctrl with a digit key picks: 1 to 9 give 0 to 8, 0 gives the
// tenth window (index 9); any other key gives -1.
int32_t WindowIndexForDigitKey(uint32_t virtualKey);

// The formatting code inserted for a character typed with Ctrl held (Ctrl+B gives 0x02 and so on);
// 0 when the character inserts none.
wchar_t FormattingCodeForCtrlChar(wchar_t typed);
