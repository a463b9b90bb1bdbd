#include "views/line_text_steps.h"

#include "common/text_replace.h"
#include "common/text_split.h"
#include "markup/markup_codes.h"

#include <vector>

namespace {

std::wstring FormatNumber(uint32_t value, bool zeroPad, bool leftAlign, uint32_t width) {
    std::wstring digits = std::to_wstring(value);
    if (digits.size() >= width) return digits;
    std::wstring padding(width - digits.size(), zeroPad && !leftAlign ? L'0' : L' ');
    return leftAlign ? digits + padding : padding + digits;
}

// Segments of a line the smiley replacement must not touch: link brace parts and the runs of
// the code-18 commands (offers, tables, smileys, hidden markers).
size_t ProtectedLength(const std::wstring& line, size_t i) {
    wchar_t c = line[i];
    if (c == kLinkCode && i + 1 < line.size() && line[i + 1] == L'{') {
        size_t close = line.find(L'}', i + 2);
        return (close == std::wstring::npos ? line.size() : close + 1) - i;
    }
    if (c == kSymbolCode && i + 1 < line.size() && IsSymbolCommand(line[i + 1])) {
        size_t close = line.find(static_cast<wchar_t>(kSymbolCode), i + 2);
        return (close == std::wstring::npos ? line.size() : close + 1) - i;
    }
    return 0;
}

std::wstring SmileyRun(int number) {
    return std::wstring(1, static_cast<wchar_t>(kSymbolCode)) + static_cast<wchar_t>(kSmileyCode) +
           std::to_wstring(number) + static_cast<wchar_t>(kSymbolCode);
}

void ReplaceSmileysIn(std::wstring& text) {
    struct Smiley {
        const wchar_t* Text;
        int Number;
    };
    // ":-)" goes before ":)", or the longer form would never be found.
    static const Smiley kSmileys[] = {{L":-)", 101}, {L":)", 101}, {L":D", 102}, {L";)", 104},
                                      {L":-(", 103}, {L":(", 103}, {L":p", 116}, {L":P", 116},
                                      {L":O", 107},  {L":o", 107}, {L":s", 110}, {L":S", 110}};
    for (const Smiley& s : kSmileys) {
        if (text.find(s.Text) == std::wstring::npos) continue;
        StringReplaceW(text, s.Text, SmileyRun(s.Number).c_str(), false, 0);
    }
}

} // namespace

std::wstring FormatTimeStamp(const std::wstring& format, uint32_t hour, uint32_t minute, uint32_t second) {
    const uint32_t values[] = {hour, minute, second};
    size_t used = 0;
    std::wstring out;
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] != L'%') {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            out += L'%';
            i += 2;
            continue;
        }
        size_t j = i + 1;
        bool zeroPad = false, leftAlign = false;
        while (j < format.size() && (format[j] == L'0' || format[j] == L'-')) {
            (format[j] == L'0' ? zeroPad : leftAlign) = true;
            ++j;
        }
        uint32_t width = 0;
        while (j < format.size() && IsDecimalDigit(format[j]) && width < 100)
            width = width * 10 + (format[j++] - L'0');
        bool conversion = j < format.size() && (format[j] == L'u' || format[j] == L'd' || format[j] == L'i');
        if (!conversion || used == 3) {
            out += format[i++];
            continue;
        }
        out += FormatNumber(values[used++], zeroPad, leftAlign, width);
        i = j + 1;
    }
    return out;
}

std::wstring HideGroupedPrefix(const std::wstring& line, COLORREF background) {
    size_t cut = line.find(L'>');
    if (cut == std::wstring::npos) return line;
    wchar_t color[16] = {};
    swprintf(color, 16, L"%08X", static_cast<unsigned>(background));
    return std::wstring(1, static_cast<wchar_t>(kDirectColorCode)) + color + line.substr(0, cut) + L">" +
           static_cast<wchar_t>(kResetCode) + line.substr(cut + 1);
}

std::wstring ReplaceTextSmileys(const std::wstring& line) {
    std::wstring out;
    std::wstring plain;
    size_t i = 0;
    while (i < line.size()) {
        size_t keep = ProtectedLength(line, i);
        if (keep == 0) {
            plain += line[i++];
            continue;
        }
        ReplaceSmileysIn(plain);
        out += plain;
        plain.clear();
        out.append(line, i, keep);
        i += keep;
    }
    ReplaceSmileysIn(plain);
    return out + plain;
}

void AppendNoticeText(std::wstring& recent, const std::wstring& plainLine) {
    recent += plainLine;
    if (recent.size() < 251) return;
    std::vector<std::wstring> lines;
    SplitQuotedW(lines, recent, L"\r\n", false);
    size_t kept = 0;
    size_t first = lines.size();
    while (first > 0 && kept + lines[first - 1].size() <= 248) {
        kept += lines[first - 1].size() + 2;
        --first;
    }
    recent.clear();
    for (size_t k = first; k < lines.size(); ++k) recent += lines[k] + L"\r\n";
}
