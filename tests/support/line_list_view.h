// A stand-in for a record's custom-drawn chat view. With the custom-drawn mode on, the printer
// appends each line meant for the record's own view to that view's line list, as given and with
// its kind: the stand-in keeps them, so a test sees what was printed there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

class LineListView {
public:
    struct Line {
        uint32_t Kind = 0;
        std::string Text; // UTF-8
    };
    // Gives the record the stand-in as its view and turns the custom-drawn mode on; the end gives
    // the record its own view back and turns the mode off. Made on the thread that owns the view.
    explicit LineListView(WindowRecord* record);
    ~LineListView();
    LineListView(const LineListView&) = delete;
    LineListView& operator=(const LineListView&) = delete;

    const std::vector<Line>& Lines() const { return lines_; }
    // Whether a line kept contains the text, and how many do.
    bool Contains(const std::string& text) const { return Count(text) > 0; }
    size_t Count(const std::string& text) const;

private:
    static LRESULT CALLBACK ViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam);
    WindowRecord* record_;
    HWND ownView_;
    HWND view_;
    std::vector<Line> lines_;
};
