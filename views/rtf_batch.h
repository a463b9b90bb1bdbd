// Putting the lines of one printing pass into a Rich Edit view together: the text runs of all
// lines go into the view as one RTF insert, which costs the control about as much as one line.
// Tables, smileys and object offer lines are put in between, where the line has them; a line with
// runs RTF cannot carry (links) goes in on its own, as formatting a range after a long insert costs
// some controls a walk over every paragraph after it.
#pragma once

#include "views/markup_reader.h"
#include "views/rtf_text.h"

#include <windows.h>
#include <richedit.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

// The longest paragraph put into a view: a longer line goes in as several paragraphs. A Rich Edit
// control may spend time and memory on a paragraph in proportion to the square of its length
// (under Wine a paragraph of 20,000 characters took over a second and some 100 MB, one of 500
// some 5 ms and 80 KB), so a peer's long line must not become one paragraph. Ordinary chat lines
// are shorter.
constexpr LONG kMaxParagraphChars = 512;

class RtfBatch {
public:
    explicit RtfBatch(HWND control);
    ~RtfBatch();
    RtfBatch(const RtfBatch&) = delete;
    RtfBatch& operator=(const RtfBatch&) = delete;

    // The format at the end of the view, where the lines go; every line starts from it and the
    // view is left with it.
    const CHARFORMAT2W& StartLook();
    // Adds the pieces of one line of the record's (null for none); text waits for Flush, anything
    // else is put in at once after the text added before it (an object offer line is printed
    // into the record's window).
    void AddLine(const std::vector<MarkupItem>& items, WindowRecord* record);
    // Puts the text added so far into the view.
    void Flush();
    // The paragraph marks added to long lines since the last call (they count as view lines).
    uint32_t TakeAddedParagraphs();

private:
    struct LateRun {
        LONG Start, End;
        CHARFORMAT2W Look;
    };
    void AddRun(const CHARFORMAT2W& look, const std::wstring& text);
    std::string Differences(const CHARFORMAT2W& look, bool& expressible);
    void PutSpecial(const MarkupItem& item, WindowRecord* record, bool& tableInLine, PARAFORMAT2& paragraph);
    void SetInsertionLook(const CHARFORMAT2W& look);

    HWND control_;
    bool haveStart_ = false;
    CHARFORMAT2W start_{};
    CHARFORMAT2W lastLook_{};
    bool haveLastLook_ = false;
    std::string body_;
    RtfColorTable colors_;
    RtfFontTable fonts_;
    std::vector<LateRun> lateRuns_; // looks that RTF cannot carry, set after the insert
    LONG base_ = 0;                 // characters in the view when the pending text began
    LONG pendingChars_ = 0;
    bool endsWithParagraph_ = false;
    LONG sinceParagraph_ = 0; // characters since the last paragraph mark
    uint32_t addedParagraphs_ = 0;
};
