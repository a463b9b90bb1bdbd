#include "views/channel_list_rtf.h"

#include "common/replacing_file.h"
#include "common/xstring.h"
#include "core/channel_list_rows.h"
#include "markup/display_text.h"
#include "markup/untrusted_text.h"
#include "views/channel_list_cell.h"

namespace {

// A bold mark between arrows in the symbol font: "<- . List . ->".
std::wstring MarkLine(const wchar_t* word) {
    return DisplayText().Bold().Symbol(L"\x00AC \x00B7").Text(word).Symbol(L"\x00B7 \x00AE").Bold();
}

// A header line whose link sorts the list: ". Channel .".
std::wstring SortLine(const wchar_t* command, const wchar_t* label) {
    return DisplayText()
        .Bold()
        .Symbol(L"\x00B7")
        .Text(L" ")
        .Code(kLinkCode)
        .Text(L"{name|||")
        .Text(command)
        .Text(L"}")
        .Text(label)
        .Code(kLinkCode)
        .Text(L" ")
        .Symbol(L"\x00B7")
        .Bold();
}

// The cells are followed by a character code without digits, which shows nothing, and a tab.
constexpr char kCellGap[] = " \x12\x1D\x09 ";

} // namespace

std::vector<std::wstring> ChannelListHeaderLines() {
    return {MarkLine(L" List "), SortLine(L"app:771", L"Channel"), SortLine(L"app:772", L"Members")};
}

std::wstring ChannelListFooterLine() {
    return MarkLine(L" End ");
}

std::wstring ChannelListRowLine(const ChannelListEntry& row) {
    // The rows were cleaned as they came; a row from anywhere else is cleaned here all the same.
    return NarrowToWide(FormatChannelListCell(row.Channel, kChannelNameCell) + kCellGap + ":" +
                        FormatChannelListCell(std::to_string(row.Members), kUserCountCell) + kCellGap +
                        CleanUntrustedText(row.Topic));
}

MarkupRtfDocument ChannelListRtf(const std::vector<ChannelListEntry>& rows, const RtfViewLook& look) {
    MarkupRtfDocument document(look);
    for (const std::wstring& line : ChannelListHeaderLines()) document.AddLine(look.Stamp + line);
    for (const ChannelListEntry& row : rows) document.AddLine(ChannelListRowLine(row));
    document.AddLine(look.Stamp + ChannelListFooterLine());
    return document;
}

bool WriteChannelListRtf(const std::wstring& path, const std::vector<ChannelListEntry>& rows,
                         const RtfViewLook& look) {
    const MarkupRtfDocument document = ChannelListRtf(rows, look);
    const std::string head = document.Head();
    ReplacingFile file(path);
    return file.IsOpen() && file.Write(head.data(), head.size()) &&
           file.Write(document.Body().data(), document.Body().size()) &&
           file.Write(MarkupRtfDocument::kTail.data(), MarkupRtfDocument::kTail.size()) && file.Commit();
}
