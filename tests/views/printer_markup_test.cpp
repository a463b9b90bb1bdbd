// Markup that does more than format text: offers, tables, fonts, symbols, smileys and beeps.
#include "tests/views/views_test_support.h"

#include "common/base64.h"
#include "core/applied_settings.h"
#include "views/line_printer.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <chrono>
#include <thread>

namespace {

class PrinterMarkup : public ChatViewTest {
protected:
    void Print(const std::wstring& text) { PrintToWindow(kMessageLine, channel_, text); }
    std::string LinkCommand(uint32_t link) {
        XmlElement* links = XmlElementFindPath(temp_.root, "Links");
        XmlElement* entry = XmlElementGetChild(XmlElementGetChild(links, link), 0);
        return XmlVariableGetValueString(XmlElementFindVariable(entry, "c"));
    }
    std::wstring FaceAt(const std::wstring& text) { return FormatAt(view_, Find(text)).szFaceName; }
};

std::wstring EncodedFont(const wchar_t* face, size_t extraBytes = 0) {
    LOGFONTW font{};
    font.lfHeight = -12;
    wcscpy(font.lfFaceName, face);
    std::vector<char> bytes(sizeof font + extraBytes);
    memcpy(bytes.data(), &font, sizeof font);
    std::string text = Base64EncodeText(bytes.data(), bytes.size(), true);
    return std::wstring(1, static_cast<wchar_t>(text.size())) + std::wstring(text.begin(), text.end());
}

} // namespace

TEST_F(PrinterMarkup, ObjectOfferPrintsALineWithAFetchLink) {
    Print(L"<bob> \x12\x07 0 2048 10.0.0.1 5000 77 pic.png\x12");
    EXPECT_NE(Find(L"(Object pic.png [2.0 KB] ["), -1);
    LONG fetch = Find(L"Fetch]");
    ASSERT_GE(fetch, 0);
    EXPECT_TRUE(FormatAt(view_, fetch).dwEffects & CFE_LINK);
    EXPECT_EQ(LinkCommand(0), "/getobject 10.0.0.1 5000 2048 pic.png 77 this");
}

TEST_F(PrinterMarkup, MalformedOffersPrintNothing) {
    Print(L"a\x12\x07 0 2048 10.0.0.1 5000 77 pic.png extra\x12"
          L"b");
    Print(L"c\x12\x07 0 2048 h 5000 77 x}|||/quit\x12"
          L"d");
    EXPECT_EQ(ViewText(), L"ab\rcd\r");
    EXPECT_EQ(XmlElementFindPath(temp_.root, "Links"), nullptr);
}

TEST_F(PrinterMarkup, TablesAreInsertedWithEscapedCells) {
    Print(L"before\x12\x18"
          L"2,2,1,a\\b,{c},d,\u00e9\x12"
          L"after");
    std::wstring text = ViewText();
    EXPECT_NE(text.find(L"a\\b"), std::wstring::npos);
    EXPECT_NE(text.find(L"{c}"), std::wstring::npos);
    EXPECT_NE(text.find(L"\u00e9"), std::wstring::npos);
    EXPECT_NE(text.find(L"after"), std::wstring::npos);
}

TEST_F(PrinterMarkup, SingleColumnAndBorderedTablesAreInserted) {
    Print(L"\x12\x18"
          L"2,1,0,top,bottom\x12");
    Print(L"x\x12\x18"
          L"1,2,0,left,right\x12y");
    std::wstring text = ViewText();
    for (const wchar_t* cell : {L"top", L"bottom", L"left", L"right", L"y"})
        EXPECT_NE(text.find(cell), std::wstring::npos) << cell;
}

TEST_F(PrinterMarkup, OversizedTablesAreIgnored) {
    Print(L"x\x12\x18"
          L"65,1,0,a\x12y");
    Print(L"x\x12\x18"
          L"2,2,0,a,b,c\x12y");
    EXPECT_EQ(ViewText(), L"xy\rxy\r");
}

TEST_F(PrinterMarkup, FixedFontRunShowsTheTextAfterThePair) {
    Print(L"\x05\x05"
          L"fixed\x12 plain");
    LOGFONTW fixed{};
    GetObjectW(GetStockObject(ANSI_FIXED_FONT), sizeof fixed, &fixed);
    EXPECT_STREQ(FaceAt(L"fixed").c_str(), fixed.lfFaceName);
    EXPECT_STRNE(FaceAt(L"plain").c_str(), fixed.lfFaceName);
}

TEST_F(PrinterMarkup, EncodedFontIsUsedOnlyWhenItHasExactlyItsSize) {
    Print(L"\x05" + EncodedFont(L"Courier New") + L"coded\x12 back");
    EXPECT_EQ(FaceAt(L"coded"), L"Courier New");
    EXPECT_NE(FaceAt(L"back"), L"Courier New");
    Print(L"\x05" + EncodedFont(L"Courier New", 3) + L"longer");
    EXPECT_NE(FaceAt(L"longer"), L"Courier New");
    // A count that runs past the end of the line takes what is there.
    Print(std::wstring(L"\x05\x7F") + L"AAAA");
    EXPECT_EQ(Find(L"AAAA"), -1);
}

TEST_F(PrinterMarkup, SymbolRunsUseTheConfiguredSymbolFont) {
    LOGFONTW symbol{};
    symbol.lfHeight = -12;
    wcscpy(symbol.lfFaceName, L"Symbol");
    symbol.lfCharSet = SYMBOL_CHARSET;
    XmlWriteProfileBinary("Cfg\\Fonts", "Symbol_Font_1", &symbol, sizeof symbol, nullptr, &config_);
    Print(L"a\x12"
          L"bc\x12"
          L"d");
    EXPECT_EQ(FaceAt(L"bc"), L"Symbol");
    EXPECT_NE(FaceAt(L"d"), L"Symbol");
    EXPECT_EQ(ViewText(), L"abcd\r");
}

TEST_F(PrinterMarkup, CharacterCodeAndObjectMarkers) {
    Print(L"x\x12\x1d"
          L"65y\x04\x02"
          L"0123456789ABCDEF\x02z\x12\x1d"
          L"0w");
    EXPECT_EQ(ViewText(), L"xAyzw\r");
}

TEST_F(PrinterMarkup, SmileyRunInsertsTheMenuBitmap) {
    ServiceAnswers answers;
    InstallAnswers(answers);
    Print(L"a\x12\x1e"
          L"101\x12"
          L"b\x12\x1e"
          L"999\x12"
          L"c");
    EXPECT_EQ(Calls("InsertImageIntoRichEdit").size(), 1u);
    EXPECT_EQ(ViewText(), L"abc\r");
}

TEST_F(PrinterMarkup, DoubleBeepShakesTheWindow) {
    Print(L"wake\x04\x04\x04 up");
    EXPECT_EQ(ViewText(), L"wake up\r");
    for (int i = 0; i < 100 && Calls("ShakeWindowThread").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    auto shakes = Calls("ShakeWindowThread");
    ASSERT_EQ(shakes.size(), 1u);
    EXPECT_EQ(shakes[0].Number, reinterpret_cast<uint64_t>(host_));
}
