#include "views/channel_list_cell.h"

#include "markup/display_text.h"

namespace {

constexpr size_t kLongName = 28;
constexpr size_t kShownBytes = 25;
constexpr size_t kCellWidth = 30;
constexpr size_t kCountWidth = 5;

// Characters (not bytes) of UTF-8 text.
size_t CharacterCount(const std::string& text) {
    size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

void PadTo(std::string& text, size_t characters) {
    size_t have = CharacterCount(text);
    if (have < characters) text.append(characters - have, ' ');
}

// At most max bytes, cut before a continuation byte so no character is split.
std::string Utf8Prefix(const std::string& text, size_t max) {
    if (text.size() <= max) return text;
    size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

std::string WithoutControlCodes(const std::string& text) {
    std::string out;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 32) out += c;
    return out;
}

} // namespace

std::string FormatChannelListCell(const std::string& text, uint32_t mode) {
    if (mode == kUserCountCell) {
        std::string cell = text;
        PadTo(cell, kCountWidth);
        return cell;
    }
    std::string name = WithoutControlCodes(text);
    // Right after the link code a brace would open the link's commands: such a name (no channel
    // starts with one) is shown as plain text, as wide as a link's cell shows.
    if (!name.empty() && name[0] == '{') {
        PadTo(name, kCellWidth - 2);
        return name;
    }
    BasicLinkCommand<char> join(BasicProgramCommand<char>("/join"));
    join.Arg(name);
    if (name.size() >= kLongName && join.Accepted())
        return BasicDisplayText<char>().Link("join", Utf8Prefix(name, kShownBytes) + "...", join);
    std::string cell = BasicDisplayText<char>().Code(kLinkCode).Text(name).Code(kLinkCode);
    PadTo(cell, kCellWidth);
    return cell;
}
