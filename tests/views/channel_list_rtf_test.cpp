// A channel list saved as RTF, read back by a Rich Edit control: the header lines, every row
// with its channel, members and topic as the view shows them, the footer, in the view's look;
// nothing a topic holds becomes RTF, a field or an object.
#include "tests/views/views_test_support.h"

#include "common/rich_edit_helpers.h"
#include "core/channel_list_rows.h"
#include "views/channel_list_rtf.h"
#include "xml/xml_profile.h"

#include <richole.h>

namespace {

using ChannelListRtfTest = ChatViewTest;

DWORD CALLBACK FeedStream(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* given) {
    auto* rest = reinterpret_cast<std::string_view*>(cookie);
    const size_t take = std::min(rest->size(), static_cast<size_t>(count));
    memcpy(bytes, rest->data(), take);
    rest->remove_prefix(take);
    *given = static_cast<LONG>(take);
    return 0;
}

void StreamIn(HWND control, const std::string& rtf) {
    std::string_view rest(rtf);
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rest), 0, FeedStream};
    SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

// The paragraphs of the control; a symbol font's private codes (U+F0xx) read as the codes they
// stand for in the font.
std::vector<std::wstring> Paragraphs(HWND control) {
    std::wstring text = RichEditText(control);
    for (wchar_t& c : text)
        if (c >= 0xF000 && c <= 0xF0FF) c = static_cast<wchar_t>(c - 0xF000);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L'\r', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A row as the view shows it: the channel padded to 28 (a cell of 30 with its link codes), a tab
// before and after the members (padded to 5), then the topic.
std::wstring RowText(const std::wstring& channel, const std::wstring& members, const std::wstring& topic) {
    std::wstring cell = channel;
    if (cell.size() < 28) cell.resize(28, L' ');
    std::wstring count = members;
    if (count.size() < 5) count.resize(5, L' ');
    return cell + L" \t :" + count + L" \t " + topic;
}

LONG OffsetOf(const std::vector<std::wstring>& lines, size_t line, size_t column) {
    LONG offset = 0;
    for (size_t i = 0; i < line; ++i) offset += static_cast<LONG>(lines[i].size()) + 1;
    return offset + static_cast<LONG>(column);
}

} // namespace

TEST_F(ChannelListRtfTest, HostileTopicsComeBackRowByRowInTheViewsLook) {
    LOGFONTW symbol{};
    symbol.lfHeight = -13;
    symbol.lfCharSet = SYMBOL_CHARSET;
    wcscpy(symbol.lfFaceName, L"Symbol");
    XmlWriteProfileBinary("Cfg\\Fonts", "Symbol_Font_1", &symbol, sizeof symbol, nullptr, &config_);
    SetConfig("Cfg\\Colors", "FG_Color", static_cast<int>(RGB(255, 255, 0)));
    SetConfig("Cfg\\Colors", "BG_Color", static_cast<int>(RGB(32, 32, 48)));
    SetConfig("Cfg\\Options2", "TimeStamp", 1);
    HFONT fixed = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                              FIXED_PITCH | FF_MODERN, L"Courier New");
    RichEditSetViewFont(view_, fixed);

    const std::string longName = "#" + std::string(29, 'l');
    const std::vector<ChannelListEntry> rows = {
        {"#plain", "just a topic", "", 42},
        {"#rtf", "{\\rtf1\\ansi{\\fonttbl}\\b bold}\\par\\pard}}}{{{\\", "", 7},
        {"#field",
         "{\\field{\\*\\fldinst HYPERLINK \"http://evil.example\"}{\\fldrslt click}} "
         "{\\object\\objemb{\\*\\objdata 0102}} \\bin4 abcd \\'00\\u-1?",
         "", 3},
        {"#uni",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x9C\x93 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 \xF0\x9D\x84\x9E "
         "\xE2\x80\xAE"
         "evil\xE2\x80\xAC \xE2\x80\xA8\xE2\x80\xA9\xEF\xBF\xBC\xEF\xBB\xBF end",
         "", 12},
        {"#ctl",
         "a\x01"
         "b\x0B"
         "c\x0C"
         "d\x13"
         "e\x7F"
         "f\x09"
         "g",
         "", 5},
        {"#irc",
         "\x02"
         "bold\x02 \x03"
         "4,1red\x03 \x1Funder\x1F",
         "", 9},
        {"#program",
         "\x18{x|||/quit}click\x18 \x07"
         "FF000000 \x05\x05"
         "fixed \x12\x1E"
         "101\x12 :) end",
         "", 11},
        {longName, "long", "", 2},
        {"{x|||/quit}", "braced name", "", 2},
    };
    const std::string rtf = ChannelListRtf(rows, ViewLookForFile(view_, nullptr)).Text();
    for (unsigned char c : rtf) ASSERT_LT(c, 128) << "7-bit RTF";

    HWND reader = CreateTestRichEdit(host_);
    StreamIn(reader, rtf);
    const std::vector<std::wstring> lines = Paragraphs(reader);
    ASSERT_GE(lines.size(), rows.size() + 4) << RichEditText(reader);

    // The information lines carry a time stamp; the rows carry none.
    auto endsWith = [](const std::wstring& text, const std::wstring& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_TRUE(endsWith(lines[0], L" | \xAC \xB7 List \xB7 \xAE")) << lines[0];
    EXPECT_TRUE(endsWith(lines[1], L" | \xB7 Channel \xB7")) << lines[1];
    EXPECT_TRUE(endsWith(lines[2], L" | \xB7 Members \xB7")) << lines[2];
    EXPECT_TRUE(endsWith(lines[rows.size() + 3], L" | \xAC \xB7 End \xB7 \xAE")) << lines.back();

    const std::wstring expected[] = {
        RowText(L"#plain", L"42", L"just a topic"),
        RowText(L"#rtf", L"7", L"{\\rtf1\\ansi{\\fonttbl}\\b bold}\\par\\pard}}}{{{\\"),
        RowText(L"#field", L"3",
                L"{\\field{\\*\\fldinst HYPERLINK \"http://evil.example\"}{\\fldrslt click}} "
                L"{\\object\\objemb{\\*\\objdata 0102}} \\bin4 abcd \\'00\\u-1?"),
        RowText(L"#uni", L"12",
                L"Gr\x00FC\x00DF"
                L"e \x2713 \x65E5\x672C \xD83D\xDE00 \xD834\xDD1E \x202E"
                L"evil\x202C \x2028\x2029\xFFFC\xFEFF end"),
        // Control characters show as their pictures; a tab stays a tab.
        RowText(L"#ctl", L"5",
                L"a\x2401"
                L"b\x240B"
                L"c\x240C"
                L"d\x2413"
                L"e\x2421"
                L"f\tg"),
        RowText(L"#irc", L"9", L"bold red under"),
        // The program's own codes never come from a server: they are gone, their text stays.
        RowText(L"#program", L"11", L"{x|||/quit}click FF000000 fixed 101 :) end"),
        std::wstring(longName.begin(), longName.begin() + 25) + L"... \t :2     \t long",
        RowText(L"{x|||/quit}", L"2", L"braced name"),
    };
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(lines[i + 3], expected[i]) << rows[i].Channel;

    // The view's font and colours; a channel is a link's look; symbols in the symbol font.
    const CHARFORMAT2W topic = FormatAt(reader, OffsetOf(lines, 3, 43));
    EXPECT_STREQ(topic.szFaceName, L"Courier New");
    EXPECT_EQ(topic.crTextColor, RGB(255, 255, 0));
    EXPECT_EQ(topic.crBackColor, RGB(32, 32, 48));
    const CHARFORMAT2W channel = FormatAt(reader, OffsetOf(lines, 3, 1));
    EXPECT_TRUE(channel.dwEffects & CFE_UNDERLINE);
    EXPECT_EQ(channel.crTextColor, kRtfLinkColor);
    const CHARFORMAT2W arrow = FormatAt(reader, OffsetOf(lines, 0, lines[0].find(L'\xAC')));
    EXPECT_STREQ(arrow.szFaceName, L"Symbol");
    EXPECT_EQ(arrow.bCharSet, SYMBOL_CHARSET);
    EXPECT_TRUE(arrow.dwEffects & CFE_BOLD);
    const size_t red = lines[8].find(L"red");
    const CHARFORMAT2W colored = FormatAt(reader, OffsetOf(lines, 8, red));
    EXPECT_EQ(colored.crTextColor, RGB(255, 0, 0));
    EXPECT_EQ(colored.crBackColor, RGB(0, 0, 0));
    EXPECT_TRUE(FormatAt(reader, OffsetOf(lines, 8, lines[8].find(L"bold"))).dwEffects & CFE_BOLD);

    // Nothing became an object or a link.
    IRichEditOle* ole = nullptr;
    SendMessageW(reader, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
    ASSERT_NE(ole, nullptr);
    EXPECT_EQ(ole->GetObjectCount(), 0);
    ole->Release();
    EXPECT_FALSE(FormatAt(reader, OffsetOf(lines, 5, lines[5].find(L"click"))).dwEffects & CFE_LINK);
    DestroyWindow(reader);
    RichEditForgetViewFont(view_);
    DeleteObject(fixed);
}
