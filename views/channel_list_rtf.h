// A channel list window saved as RTF: the lines its view holds when it prints the list (three
// header lines, one line per shown row, the footer), in the view's look.
#pragma once

#include "views/markup_rtf_document.h"

#include <string>
#include <vector>

struct ChannelListEntry;

// The lines as the window prints them: the title and the two sorting links; a row's channel
// and member cells and its topic; the end mark.
std::vector<std::wstring> ChannelListHeaderLines();
std::wstring ChannelListRowLine(const ChannelListEntry& row);
std::wstring ChannelListFooterLine();

// The document of the rows (the ones the window shows, in its order). Information lines carry
// the look's stamp; rows carry none.
MarkupRtfDocument ChannelListRtf(const std::vector<ChannelListEntry>& rows, const RtfViewLook& look);
// Writes it to the file through a replacing file, so a write cut short leaves the old file; false
// when the file could not be written.
bool WriteChannelListRtf(const std::wstring& path, const std::vector<ChannelListEntry>& rows,
                         const RtfViewLook& look);
