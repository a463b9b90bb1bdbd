#include "tests/views/views_test_support.h"

#include "common/app_state.h"
#include "core/applied_settings.h"
#include "core/remote_text.h"
#include "core/startup_switches.h"
#include "core/window_list.h"
#include "ui/ticker_window.h"
#include "views/chat_line_grouping.h"
#include "views/line_printer.h"
#include "views/display_palette.h"
#include "xml/xml_element.h"

#include <algorithm>
#include <thread>

namespace {

// The highlight script the tests give: it says the line it got as a typed command.
const char kHiliteSays[] = "/hilite $0*";

class LinePrinter : public ChatViewTest {
protected:
    void Print(const std::wstring& text, LineKind kind = kMessageLine, uint8_t chatLine = 0,
               const std::wstring* sender = nullptr) {
        PrintToWindow(kind, channel_, text, {.ChatLine = chatLine != 0, .Sender = sender});
    }
    CHARFORMAT2W At(const std::wstring& text, size_t offset = 0) {
        LONG at = Find(text);
        EXPECT_GE(at, 0) << "missing text";
        return FormatAt(view_, at + static_cast<LONG>(offset));
    }
    bool Bold(const std::wstring& text) { return (At(text).dwEffects & CFE_BOLD) != 0; }
};

} // namespace

TEST_F(LinePrinter, EveryLineKindReachesTheViewAsOneLine) {
    for (uint32_t kind = kOwnMessageLine; kind <= kInformationLine; ++kind)
        Print(L"kind " + std::to_wstring(kind) + L"\r\n\r\n", static_cast<LineKind>(kind));
    std::wstring text = ViewText();
    for (uint32_t kind = 0; kind <= 14; ++kind)
        EXPECT_NE(text.find(L"kind " + std::to_wstring(kind) + L"\r"), std::wstring::npos) << kind;
    // One paragraph per line: fifteen breaks, no empty lines between them.
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 15);
    EXPECT_EQ(text.find(L"\r\r"), std::wstring::npos);
}

TEST_F(LinePrinter, OnlyTheFirstLineIsShownButTheLogGetsAll) {
    channel_->Logging = 1;
    Print(L"first\r\nsecond");
    EXPECT_NE(Find(L"first"), -1);
    EXPECT_EQ(Find(L"second"), -1);
    auto logged = Calls("WriteLogLine");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].Text, "first\r\nsecond\r\n");
}

// A command's usage tip is printed into the window's popup: the log holds what the window
// itself shows, so the tip stays out of it.
TEST_F(LinePrinter, ALinePrintedIntoAnotherViewStaysOutOfTheWindowsLog) {
    channel_->Logging = 1;
    HWND tip = CreateTestRichEdit(host_, 100, 100);
    PrintToWindow(kInformationLine, channel_, L"/part - leaves the channel",
                  {.View = tip, .NoTimeStamp = true});
    EXPECT_TRUE(Calls("WriteLogLine").empty());
    PrintToWindow(kInformationLine, channel_, L"shown", {.View = view_});
    EXPECT_EQ(Calls("WriteLogLine").size(), 1u);
    DestroyWindow(tip);
}

TEST_F(LinePrinter, TimeStampFollowsTheSettings) {
    SetConfig("Cfg\\Options2", "TimeStamp", 1);
    SetConfig("Cfg\\Options1", "TimeStamp_String", "[%02u:%02u] %s \\x41");
    Print(L"stamped");
    PrintToWindow(kMessageLine, channel_, L"bare", {.NoTimeStamp = true});
    std::wstring text = ViewText();
    size_t stamped = text.find(L"stamped");
    ASSERT_NE(stamped, std::wstring::npos);
    // "[hh:mm] %s A " : two numbers, the %s left as text and the escape turned into its byte.
    EXPECT_EQ(text.substr(0, 1), L"[");
    EXPECT_EQ(text.substr(3, 1), L":");
    EXPECT_EQ(text.substr(6, stamped - 6), L"] %s A");
    size_t bare = text.find(L"bare");
    ASSERT_NE(bare, std::wstring::npos);
    EXPECT_EQ(text[bare - 1], L'\r');
}

TEST_F(LinePrinter, DefaultStampIsBoldAndLineColourComesFromTheWindowType) {
    SetConfig("Cfg\\Options2", "TimeStamp", 1);
    SetConfig("Cfg\\Colors", "FG_Color", static_cast<int>(RGB(10, 20, 30)));
    Print(L"body");
    std::wstring text = ViewText();
    ASSERT_GE(text.size(), 12u);
    EXPECT_EQ(text.substr(3, 1), L":");
    EXPECT_EQ(text.substr(9, 3), L" | ");
    EXPECT_TRUE(FormatAt(view_, 1).dwEffects & CFE_BOLD);
    EXPECT_FALSE(At(L"body").dwEffects & CFE_BOLD);
    EXPECT_EQ(At(L"body").crTextColor, RGB(10, 20, 30));

    HWND serverView = CreateTestRichEdit(host_, 100, 100);
    server_->View = serverView;
    PrintToWindow(kInformationLine, server_, L"server text");
    EXPECT_EQ(FormatAt(serverView, 12).crTextColor, static_cast<COLORREF>(8421376));
    DestroyWindow(serverView);
}

TEST_F(LinePrinter, BoldItalicUnderlineAndStrikeToggle) {
    Print(L"a\x02"
          L"bold\x02 b\x16it\x16 c\x1Funder\x1F d\x1Dstrike\x1D e");
    EXPECT_TRUE(At(L"bold").dwEffects & CFE_BOLD);
    EXPECT_FALSE(At(L" b").dwEffects & CFE_BOLD);
    EXPECT_TRUE(At(L"it").dwEffects & CFE_ITALIC);
    EXPECT_TRUE(At(L"under").dwEffects & CFE_UNDERLINE);
    EXPECT_TRUE(At(L"strike").dwEffects & CFE_STRIKEOUT);
    CHARFORMAT2W e = At(L" e");
    EXPECT_FALSE(e.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT));
    // Nothing of the codes is shown.
    EXPECT_EQ(ViewText(), L"abold bit cunder dstrike e\r");
}

TEST_F(LinePrinter, UnderlineStylesFollowRepeatedCodes) {
    Print(L"\x1F\x1F"
          L"single\x1F \x1F\x1F\x1F"
          L"dotted\x1F \x1F\x1F\x1F\x1F"
          L"double\x1F \x1F\x1F\x1F\x1F\x1F"
          L"off");
    EXPECT_EQ(At(L"single").bUnderlineType, CFU_UNDERLINE);
    EXPECT_EQ(At(L"dotted").bUnderlineType, CFU_UNDERLINEDOTTED);
    EXPECT_EQ(At(L"double").bUnderlineType, CFU_UNDERLINEDOUBLE);
    EXPECT_TRUE(At(L"double").dwEffects & CFE_UNDERLINE);
    // A fifth code right after four turns underline off again.
    EXPECT_FALSE(At(L"off").dwEffects & CFE_UNDERLINE);
}

TEST_F(LinePrinter, IrcColourCodesTakePaletteColours) {
    Print(L"\x03"
          L"12,4blue-on-red\x03"
          L"5,xmaroon\x03"
          L"4rest \x03,5after");
    CHARFORMAT2W blue = At(L"blue-on-red");
    EXPECT_EQ(blue.crTextColor, PaletteColor(12));
    EXPECT_EQ(blue.crBackColor, PaletteColor(4));
    EXPECT_FALSE(blue.dwEffects & CFE_AUTOBACKCOLOR);
    // A comma without a digit is not shown; the colour goes on without a new background.
    EXPECT_EQ(At(L"xmaroon").crTextColor, PaletteColor(5));
    EXPECT_EQ(Find(L","), Find(L",5after"));
    // Code 3 without digits restores the start colours; the comma and 5 are then text.
    EXPECT_EQ(At(L",5after").crTextColor, RGB(0, 0, 0));
    EXPECT_EQ(ViewText(), L"blue-on-redxmaroonrest ,5after\r");
    // Indexes above 15 wrap: 16 is white, 17 black.
    EXPECT_EQ(PaletteColor(16), RGB(255, 255, 255));
    EXPECT_EQ(PaletteColor(17), RGB(0, 0, 0));
}

TEST_F(LinePrinter, DirectColoursTakeEightDigitsWhateverTheyHold) {
    Print(L"\x07"
          L"000000FF,0000FF00red-on-green\x0F \x07"
          L"00FF0000blue\x0F \x07"
          L"12zzzzzzshort");
    CHARFORMAT2W red = At(L"red-on-green");
    EXPECT_EQ(red.crTextColor, RGB(255, 0, 0));
    EXPECT_EQ(red.crBackColor, RGB(0, 255, 0));
    EXPECT_EQ(At(L"blue").crTextColor, RGB(0, 0, 255));
    EXPECT_EQ(At(L"short").crTextColor, static_cast<COLORREF>(0x12));
    EXPECT_EQ(Find(L"zz"), -1);
}

TEST_F(LinePrinter, ResetRestoresTheStartFormatEveryTime) {
    Print(L"\x02\x03"
          L"4red bold\x0Fplain\x02"
          L"again\x0F\x1F"
          L"under\x0F"
          L"end");
    EXPECT_TRUE(At(L"red bold").dwEffects & CFE_BOLD);
    CHARFORMAT2W plain = At(L"plain");
    EXPECT_FALSE(plain.dwEffects & CFE_BOLD);
    EXPECT_EQ(plain.crTextColor, RGB(0, 0, 0));
    // The reset turned the toggles off too: the next bold code turns bold on again.
    EXPECT_TRUE(At(L"again").dwEffects & CFE_BOLD);
    EXPECT_TRUE(At(L"under").dwEffects & CFE_UNDERLINE);
    EXPECT_FALSE(At(L"under").dwEffects & CFE_BOLD);
    EXPECT_FALSE(At(L"end").dwEffects & (CFE_UNDERLINE | CFE_BOLD));
    // The next line starts from the start format again.
    Print(L"next");
    EXPECT_FALSE(At(L"next").dwEffects & CFE_BOLD);
}

TEST_F(LinePrinter, EveryColourResetInALineWorks) {
    Print(L"\x03"
          L"4red\x03 one \x03"
          L"3green\x03 two \x03"
          L"12blue\x0F three");
    EXPECT_EQ(At(L"red").crTextColor, PaletteColor(4));
    EXPECT_EQ(At(L" one").crTextColor, RGB(0, 0, 0));
    EXPECT_EQ(At(L"green").crTextColor, PaletteColor(3));
    EXPECT_EQ(At(L" two").crTextColor, RGB(0, 0, 0));
    EXPECT_EQ(At(L" three").crTextColor, RGB(0, 0, 0));
}

TEST_F(LinePrinter, SizeCodeAddsTwipsToTheStartSize) {
    Print(L"base\x19"
          L"60big");
    EXPECT_EQ(At(L"big").yHeight, At(L"base").yHeight + 60);
}

TEST_F(LinePrinter, IgnoringTextAttributesShowsTheCodes) {
    SetConfig("Cfg\\Options2", "Ignore_Text_Attributes", 1);
    Print(L"x\x02y");
    EXPECT_NE(Find(L"x\x02y"), -1);
}

TEST_F(LinePrinter, LinksAreMarkedAndTheirCommandsKept) {
    Print(L"go \x18{Join it|||/join #x}#x\x18 and \x18{Say|||/say hi \"q\"}there\x18 done");
    LONG first = Find(L"#x");
    LONG second = Find(L"there");
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    // Both links are links (not only the last one), and both index markers are hidden.
    EXPECT_TRUE(FormatAt(view_, first).dwEffects & CFE_LINK);
    EXPECT_TRUE(FormatAt(view_, second).dwEffects & CFE_LINK);
    EXPECT_FALSE(At(L" done").dwEffects & CFE_LINK);
    LONG marker0 = Find(L"_L_0_L_");
    LONG marker1 = Find(L"_L_1_L_");
    ASSERT_GE(marker0, 0);
    ASSERT_GE(marker1, 0);
    EXPECT_TRUE(FormatAt(view_, marker0).dwEffects & CFE_HIDDEN);
    EXPECT_TRUE(FormatAt(view_, marker1).dwEffects & CFE_HIDDEN);
    EXPECT_FALSE(At(L"go").dwEffects & CFE_HIDDEN);
    EXPECT_EQ(Find(L"{"), -1);

    XmlElement* links = XmlElementFindPath(temp_.root, "Links");
    ASSERT_NE(links, nullptr);
    ASSERT_EQ(XmlElementGetChildCount(links), 2u);
    XmlElement* say = XmlElementGetChild(XmlElementGetChild(links, 1), 0);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(say, "v")), "Say");
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(say, "c")), "/say hi \"q\"");
}

TEST_F(LinePrinter, LinkAtTheVeryStartOfTheViewIsMarkedToo) {
    Print(L"\x18plain link\x18 after");
    EXPECT_TRUE(FormatAt(view_, 0).dwEffects & CFE_LINK);
    EXPECT_FALSE(At(L"after").dwEffects & CFE_LINK);
}

TEST_F(LinePrinter, OddBracePartAddsAnEmptyEntryAndNoLink) {
    Print(L"\x18{only label}text\x18 end");
    XmlElement* links = XmlElementFindPath(temp_.root, "Links");
    ASSERT_NE(links, nullptr);
    ASSERT_EQ(XmlElementGetChildCount(links), 1u);
    EXPECT_EQ(XmlElementGetChildCount(XmlElementGetChild(links, 0)), 0u);
    EXPECT_FALSE(At(L"text").dwEffects & CFE_LINK);
    EXPECT_EQ(Find(L"only label"), -1);
}

TEST_F(LinePrinter, HighlightWordRunsTheEventAndMarksTheTab) {
    SetConfig("Cfg\\Options3\\Notifications", "Hilite_words", "pizza  cake");
    SetEventScript("On_Hilite", kHiliteSays);
    Print(L"who wants pizzas");
    EXPECT_TRUE(Calls("ProcessInputLine").empty());
    Print(L"who wants cake");
    auto events = Calls("ProcessInputLine");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Text, "/hilite who wants cake\r\n");
    EXPECT_EQ(events[0].Window, channel_);
    Print(L"pizza at the start");
    EXPECT_EQ(Calls("ProcessInputLine").size(), 2u);
}

// A line printed on another thread for text from outside reaches the highlight script, on the
// view's thread, as text from outside still; the user's own line does not.
TEST_F(LinePrinter, HighlightScriptRunsAsTextFromOutsideWhenItsLineCameFromThere) {
    SetConfig("Cfg\\Options3\\Notifications", "Hilite_words", "cake");
    SetEventScript("On_Hilite", kHiliteSays);
    std::thread([&] {
        RemoteTextScope remote;
        Print(L"server cake");
    }).join();
    std::thread([&] { Print(L"typed cake"); }).join();
    PumpMessages(); // the two lines wait for the view's thread
    const auto events = Calls("ProcessInputLine");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Sender, "remote");
    EXPECT_EQ(events[1].Sender, "");
}

TEST_F(LinePrinter, HighlightHandlerCanReplaceTheLine) {
    SetConfig("Cfg\\Options3\\Notifications", "Hilite_words", "secret");
    // A script yields no result text: the line is replaced by an empty one.
    SetEventScript("On_Hilite", "#lock");
    Print(L"the secret word");
    EXPECT_EQ(Find(L"secret"), -1);
    Print(L"after");
    EXPECT_EQ(ViewText(), L"\rafter\r");
}

TEST_F(LinePrinter, GroupedChatLinesHideTheirPrefix) {
    GroupChatMessages = 1;
    SetConfig("Cfg\\Options2", "TimeStamp", 1);
    const std::wstring bob = L"bob";
    channel_->PrevSender = bob;
    GetLocalTime(&channel_->LastLineTime);
    Print(L"<bob> second line", kMessageLine, 1, &bob);
    // The stamp and the sender are drawn in the background colour, the message as usual.
    CHARFORMAT2W sender = At(L"<bob>");
    EXPECT_EQ(sender.crTextColor, RGB(255, 255, 255));
    EXPECT_EQ(At(L" second").crTextColor, RGB(0, 0, 0));
    EXPECT_EQ(FormatAt(view_, 1).crTextColor, RGB(255, 255, 255));
    EXPECT_EQ(channel_->PrevSender, L"bob");
    // A line that is not a chat line breaks the group.
    Print(L"* bob joins", kJoinLine, 0);
    EXPECT_TRUE(channel_->PrevSender.empty());
}

TEST_F(LinePrinter, UngroupedChatLineKeepsItsSenderVisible) {
    GroupChatMessages = 1;
    const std::wstring bob = L"bob";
    channel_->PrevSender = L"alice";
    GetLocalTime(&channel_->LastLineTime);
    Print(L"<bob> first", kMessageLine, 1, &bob);
    EXPECT_EQ(At(L"<bob>").crTextColor, RGB(0, 0, 0));
    EXPECT_EQ(channel_->PrevSender, L"bob");
}

TEST_F(LinePrinter, PausedWindowQueuesTheTextAsGiven) {
    SetConfig("Cfg\\Options2", "TimeStamp", 1);
    channel_->Paused = 1;
    Print(L"held \x02one\x02\r\n");
    Print(L"held two");
    EXPECT_TRUE(ViewText().empty());
    ASSERT_EQ(channel_->HeldLines.size(), 2u);
    EXPECT_EQ(channel_->HeldLines[0], L"held \x02one\x02\r\n");
    // An explicit view is never held.
    PrintToWindow(kInformationLine, channel_, L"direct", {.View = view_});
    EXPECT_NE(Find(L"direct"), -1);
}

TEST_F(LinePrinter, PluginThatConsumesTheLineStopsThePrint) {
    LoadTestPlugin();
    ServiceAnswers answers;
    answers.PluginResult = 1;
    InstallAnswers(answers);
    channel_->Logging = 1;
    Print(L"eaten");
    EXPECT_TRUE(ViewText().empty());
    auto offered = Calls("NotifyPluginsWindowText");
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].Text, "eaten\r\n");
    EXPECT_EQ(offered[0].Number, GetWindowRecordIndex(channel_));
    EXPECT_EQ(Calls("WriteLogLine").size(), 1u);
}

TEST_F(LinePrinter, TextSmileysBecomeSmileyPictures) {
    ServiceAnswers answers;
    InstallAnswers(answers);
    Print(L"hi :-) and :D and :x \x18{a|||/say :)}b\x18");
    auto pictures = Calls("InsertImageIntoRichEdit");
    EXPECT_EQ(pictures.size(), 2u);
    EXPECT_EQ(Find(L":-)"), -1);
    EXPECT_NE(Find(L":x"), -1);
    // A command inside a link keeps its text.
    XmlElement* entry = XmlElementGetChild(XmlElementGetChild(XmlElementFindPath(temp_.root, "Links"), 0), 0);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(entry, "c")), "/say :)");
    // Server windows and windows with the view flag replace none.
    channel_->ViewFlag = 1;
    Print(L"flagged :)");
    EXPECT_NE(Find(L"flagged :)"), -1);
}

TEST_F(LinePrinter, CustomViewModeLeavesTheRichEditViewAndTheLogAlone) {
    CustomViewMode = 1;
    channel_->Logging = 1;
    SetConfig("Cfg\\Options2", "TimeStamp", 1);
    Print(L"custom", kJoinLine);
    CustomViewMode = 0;
    EXPECT_TRUE(Calls("WriteLogLine").empty());
    EXPECT_TRUE(ViewText().empty());
}

TEST_F(LinePrinter, NoViewAndNoRecordPrintsNothing) {
    PrintToWindow(kInformationLine, nullptr, L"nowhere");
    EXPECT_TRUE(CallLog::Instance().Calls().empty());
}

TEST(ChatLineGrouping, OneSenderInOneMinuteIsGrouped) {
    WindowRecord window(nullptr, kChannelWindow, nullptr);
    GetLocalTime(&window.LastLineTime);
    EXPECT_TRUE(IsGroupedChatLine(&window, L"")); // no sender yet, none now
    NoteChatLineSender(&window, L"bob");
    EXPECT_EQ(window.CurSender, L"bob");
    EXPECT_TRUE(IsGroupedChatLine(&window, L"bob"));
    window.LastLineTime.wDay =
        static_cast<WORD>(window.LastLineTime.wDay % 28 + 1); // the date is not compared
    EXPECT_TRUE(IsGroupedChatLine(&window, L"bob"));
    EXPECT_FALSE(IsGroupedChatLine(&window, L"Bob"));
    window.LastLineTime.wMinute = static_cast<WORD>((window.LastLineTime.wMinute + 30) % 60);
    EXPECT_FALSE(IsGroupedChatLine(&window, L"bob"));
    EXPECT_FALSE(IsGroupedChatLine(nullptr, L"bob"));
}
