#include "shell/controls/input_rules.h"

#include "common/text_replace.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/settings.h"

void AddToInputHistory(std::vector<std::wstring>& history, const std::wstring& line) {
    history.push_back(line);
    if (history.size() > kMaxInputHistory) history.erase(history.begin());
}

bool RecallInputHistory(const std::vector<std::wstring>& history, int32_t& index, bool up,
                        std::wstring& text) {
    const int32_t count = static_cast<int32_t>(history.size());
    if (up) {
        index = index < 0 || index >= count ? count - 1 : index - 1;
        if (index < 0) index = 0;
        if (count == 0) return false; // nothing to show; a Down then empties the box
    } else {
        if (index < 0) return false;
        if (++index >= count) {
            index = -1;
            text.clear();
            return true;
        }
    }
    text = history[static_cast<size_t>(index)];
    return true;
}

std::wstring ApplyQuickComplete(const std::wstring& text, const std::vector<std::wstring>& from,
                                const std::vector<std::wstring>& to) {
    std::wstring result = text;
    const size_t pairs = from.size() < to.size() ? from.size() : to.size();
    for (size_t i = 0; i < pairs; ++i)
        if (!from[i].empty()) StringReplaceW(result, from[i].c_str(), to[i].c_str(), false, 1);
    return result;
}

std::wstring ApplyQuickCompleteSettings(const std::wstring& text) {
    std::vector<std::string> from, to;
    SplitQuoted(from, Settings::QuickCompleteFrom(), ",", false);
    SplitQuoted(to, Settings::QuickCompleteTo(), ",", false);
    if (from.empty() || to.empty()) return text;
    std::vector<std::wstring> wideFrom, wideTo;
    for (const std::string& word : from) wideFrom.push_back(NarrowToWide(word));
    for (const std::string& word : to) wideTo.push_back(NarrowToWide(word));
    return ApplyQuickComplete(text, wideFrom, wideTo);
}

int32_t WindowIndexForDigitKey(uint32_t virtualKey) {
    if (virtualKey >= '1' && virtualKey <= '9') return static_cast<int32_t>(virtualKey - '1');
    if (virtualKey == '0') return 9;
    return -1;
}

wchar_t FormattingCodeForCtrlChar(wchar_t typed) {
    switch (typed) {
        case 0x02: return 0x02; // Ctrl+B bold
        case 0x04: return 0x04; // Ctrl+D
        case 0x09: return 0x16; // Ctrl+I reverse
        case 0x0B: return 0x03; // Ctrl+K colour
        case 0x0C: return 0x18; // Ctrl+L link
        case 0x0F: return 0x0F; // Ctrl+O reset
        case 0x12: return 0x12; // Ctrl+R symbol font
        case 0x13: return 0x1D; // Ctrl+S italic
        case 0x14: return 0x1E; // Ctrl+T strike
        case 0x15: return 0x1F; // Ctrl+U underline
        case 0x19: return 0x19; // Ctrl+Y
        default: return 0;
    }
}
