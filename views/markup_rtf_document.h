// Lines of display markup written as an RTF document for a file: what a Rich Edit view printing
// them shows, in the view's font and colours, for word processors and Rich Edit controls alike.
// Nothing a line holds runs or becomes RTF: links are their text in the link's look; smileys,
// tables and object offers are their raw text; control characters show as their pictures.
#pragma once

#include "views/rtf_text.h"

#include <windows.h>
#include <richedit.h>

#include <string>

// How a view prints: the look each line starts from (the view's font), the colour lines are
// printed in, the view's background, and the time stamp information lines get (empty for none).
struct RtfViewLook {
    CHARFORMAT2W Start{};
    COLORREF LineColor = 0;
    COLORREF Background = RGB(255, 255, 255);
    bool IgnoreTextAttributes = false;
    std::wstring Stamp;
};

// The look of the view (its font; the view's own font, then the fallback, when it was given none)
// with the printer's colours and a stamp of the time now.
RtfViewLook ViewLookForFile(HWND view, HFONT fallbackFont);

// As a Rich Edit view draws a link.
constexpr COLORREF kRtfLinkColor = RGB(0, 0, 255);

class MarkupRtfDocument {
public:
    explicit MarkupRtfDocument(const RtfViewLook& look);

    // Adds the line (up to its first line break) as one paragraph.
    void AddLine(const std::wstring& line);
    // The RTF header with the font and colour tables and the view's look; then the paragraphs;
    // then the tail that ends the document.
    std::string Head() const;
    const std::string& Body() const { return body_; }
    static constexpr std::string_view kTail = "}";
    std::string Text() const;

private:
    std::string Differences(const CHARFORMAT2W& look);
    void AddText(const CHARFORMAT2W& look, std::wstring_view text);

    RtfViewLook view_;
    CHARFORMAT2W base_{}; // how a line starts: the view's font in the line colour
    int baseFont_ = 0, baseColor_ = 0, background_ = 0;
    RtfFontTable fonts_;
    RtfColorTable colors_;
    std::string body_;
};
