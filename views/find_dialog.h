// The find dialog of a chat view ("DIALOG_FIND").
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr size_t kMaxFindText = 599;

// What the dialog fills in: the text (at most 599 characters) and the states of the check
// boxes 201 (match case) and 202 (whole word).
struct FindRecord {
    std::wstring Text;
    uint8_t MatchCase = 0;
    uint8_t WholeWord = 0;
};

// The init parameter is the FindRecord. OK copies the text and the boxes into it and ends with 1;
// Cancel and closing end with 0.
INT_PTR CALLBACK FindTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
