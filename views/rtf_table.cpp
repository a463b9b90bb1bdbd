#include "views/rtf_table.h"

#include "views/rtf_text.h"

#include "views/device_units.h"

#include <richedit.h>

namespace {

const char kRowHeadPlain[] = "\\trowd\\trgaph108\\trleft\\trautofit1";
const char kRowHeadBorders[] = "\\trowd\\trgaph108\\trleft8\\trbrdrl\\brdrb\\brdrw10\\trbrdrt\\brdrb\\brdrw10"
                               "\\trbrdrr\\brdrb\\brdrw10\\trbrdrb\\brdrb\\brdrw10\\trpaddl108\\trpaddr108"
                               "\\trpaddfl3\\trpaddfr3\\brdrb\\brdrcf1";
const char kCellHeadPlain[] = "\\cellx";
const char kCellHeadBorders[] = "\\clbrdrl\\brdrw10\\brdrb\\clbrdrt\\brdrw10\\brdrb\\clbrdrr\\brdrw10\\brdrb"
                                "\\clbrdrb\\brdrw10\\brdrb\\cellx";

// Cell text as plain ASCII RTF (see AppendRtfText), line breaks as \line.
void AppendEscaped(std::string& rtf, const std::wstring& text) {
    size_t run = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != L'\r' && text[i] != L'\n') continue;
        AppendRtfText(rtf, std::wstring_view(text).substr(run, i - run));
        if (i < text.size()) rtf += "\\line ";
        run = i + 1;
    }
}

} // namespace

std::string BuildRtfTable(uint32_t rows, uint32_t columns, const std::vector<std::wstring>& cells,
                          bool borderless, int cellWidthTwips) {
    // The cells are escaped to ASCII, so the plain RTF header serves; some controls drop Unicode
    // escapes in a document marked as UTF-8.
    std::string rtf = "{\\rtf1\\uc1";
    for (uint32_t r = 0; r < rows; ++r) {
        rtf += borderless ? kRowHeadPlain : kRowHeadBorders;
        for (uint32_t c = 0; c < columns; ++c) {
            rtf += borderless ? kCellHeadPlain : kCellHeadBorders;
            rtf += std::to_string(static_cast<int64_t>(c + 1) * cellWidthTwips);
        }
        rtf += "\\pard\\intbl";
        for (uint32_t c = 0; c < columns; ++c) {
            size_t index = static_cast<size_t>(r) * columns + c;
            rtf += " ";
            if (index < cells.size()) AppendEscaped(rtf, cells[index]);
            rtf += " \\cell";
        }
        rtf += "\\row";
    }
    // The closing paragraph is outside the table: a paragraph mark that still carries the table
    // property makes some controls loop.
    rtf += "\\pard\\par}";
    return rtf;
}

void InsertRtfTable(HWND richEdit, uint32_t rows, uint32_t columns, const std::vector<std::wstring>& cells,
                    bool borderless) {
    if (!richEdit || rows == 0 || columns == 0) return;
    RECT client{};
    GetClientRect(richEdit, &client);
    HDC dc = GetDC(richEdit);
    uint64_t twips = ScaleByDeviceDpi(dc, PackPoint(static_cast<uint32_t>(client.right), 0), 1440);
    ReleaseDC(richEdit, dc);
    int width = static_cast<int>(PackedX(twips) / columns);
    std::string rtf = BuildRtfTable(rows, columns, cells, borderless, width);
    SETTEXTEX options{ST_SELECTION | ST_KEEPUNDO, CP_ACP};
    SendMessageW(richEdit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&options),
                 reinterpret_cast<LPARAM>(rtf.c_str()));
}
