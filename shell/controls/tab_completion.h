// Tab in a single-line input box: completes the word before the caret.
#pragma once

#include <string>

struct WindowRecord;

// Completes the last word of the record's input box when the caret stands at the end of its text
// with nothing selected: the own nick, a window name, a command or script trigger, a favourite or
// recent channel, the own nick again, or (channels) the nick list, where repeated Tabs go on to
// the next matching nick.
void TabComplete(WindowRecord* record);

// The completion a command hint offers: "/word " when the hint holds a '/' followed by a word and a
// blank, else empty.
std::wstring CompletionFromHint(const std::wstring& hint);
