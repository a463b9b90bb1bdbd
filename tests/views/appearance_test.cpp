// Fonts, fills, device units, the RTF table and the coded copy of a selection.
#include "tests/views/views_test_support.h"

#include "common/base64.h"
#include "views/coded_selection.h"
#include "views/config_fonts.h"
#include "views/device_units.h"
#include "views/gradient_fill.h"
#include "views/line_printer.h"
#include "views/rtf_table.h"
#include "xml/xml_profile.h"

#include <cstring>

namespace {

class Appearance : public ChatViewTest {};

// A 32 x 32 memory bitmap to fill and read back.
class Canvas {
public:
    Canvas() {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, 32, 32);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, 32, 32};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

void PutU32(std::vector<char>& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
}

void PutU16(std::vector<char>& bytes, uint16_t value) {
    bytes.push_back(static_cast<char>(value));
    bytes.push_back(static_cast<char>(value >> 8));
}

// A horizontal gradient from red at the left to blue at the right, over the whole rectangle.
std::vector<char> RedToBlue(uint32_t vertices = 2, uint32_t meshes = 1) {
    std::vector<char> packed;
    PutU32(packed, vertices);
    PutU32(packed, meshes);
    PutU32(packed, 0);
    PutU32(packed, GRADIENT_FILL_RECT_H);
    const int32_t xy[2][2] = {{0, 0}, {100, 100}};
    const uint16_t rgb[2][3] = {{0xFF00, 0, 0}, {0, 0, 0xFF00}};
    for (int v = 0; v < 2; ++v) {
        PutU32(packed, static_cast<uint32_t>(xy[v][0]));
        PutU32(packed, static_cast<uint32_t>(xy[v][1]));
        for (uint16_t c : rgb[v]) PutU16(packed, c);
        PutU16(packed, 0);
    }
    PutU32(packed, 0);
    PutU32(packed, 1);
    return packed;
}

std::string Encode(const std::vector<char>& bytes) {
    return Base64EncodeText(bytes.data(), bytes.size(), true);
}

} // namespace

TEST_F(Appearance, ConfigFontsAreTrackedAndMissingOnesAreTheGuiFont) {
    HFONT missing = CreateConfigFont("View_Font");
    EXPECT_EQ(missing, GetStockObject(DEFAULT_GUI_FONT));
    DeleteTrackedFont(missing);
    EXPECT_NE(GetObjectType(missing), 0u);

    LOGFONTW font{};
    font.lfHeight = -13;
    wcscpy(font.lfFaceName, L"Arial");
    XmlWriteProfileBinary("Cfg\\Fonts", "View_Font", &font, sizeof font, nullptr, &config_);
    HFONT view = CreateConfigFont("View_Font");
    ASSERT_NE(view, GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_TRUE(IsTrackedFont(view));
    LOGFONTW made{};
    GetObjectW(view, sizeof made, &made);
    EXPECT_EQ(made.lfHeight, -13);

    HFONT bold = CreateBoldFont(view);
    HFONT underlined = CreateUnderlinedFont(view);
    GetObjectW(bold, sizeof made, &made);
    EXPECT_EQ(made.lfWeight, 700);
    GetObjectW(underlined, sizeof made, &made);
    EXPECT_TRUE(made.lfUnderline);
    DeleteTrackedFont(view);
    EXPECT_FALSE(IsTrackedFont(view));
    DeleteAllTrackedFonts();
    EXPECT_FALSE(IsTrackedFont(bold));

    // A stored value of another size is not a font.
    XmlWriteProfileBinary("Cfg\\Fonts", "List_Font", &font, sizeof font - 4, nullptr, &config_);
    EXPECT_EQ(CreateConfigFont("List_Font"), GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(Appearance, FillsSolidOrWithAGradient) {
    Canvas canvas;
    RECT rect{0, 0, 32, 32};
    EXPECT_FALSE(FillWithConfigColor(canvas.Dc(), rect, RGB(0, 255, 0), "Gradient"));
    EXPECT_EQ(canvas.At(5, 5), RGB(0, 255, 0));

    SetConfig("Cfg\\Colors", "Gradient", Encode(RedToBlue()).c_str());
    EXPECT_TRUE(FillWithConfigColor(canvas.Dc(), rect, RGB(0, 255, 0), "Gradient"));
    COLORREF left = canvas.At(0, 10), right = canvas.At(31, 10);
    EXPECT_GT(GetRValue(left), 200);
    EXPECT_GT(GetBValue(right), 200);
}

TEST_F(Appearance, GradientsThatDoNotMatchTheirLengthDrawNothing) {
    Canvas canvas;
    RECT rect{0, 0, 32, 32};
    EXPECT_FALSE(FillGradientSpec(canvas.Dc(), rect, Encode(RedToBlue(0, 1))));
    EXPECT_FALSE(FillGradientSpec(canvas.Dc(), rect, Encode(RedToBlue(3, 1))));
    EXPECT_FALSE(FillGradientSpec(canvas.Dc(), rect, Encode(RedToBlue(2, 1000000))));
    EXPECT_FALSE(FillGradientSpec(canvas.Dc(), rect, Encode(RedToBlue(0x10000000, 0x10000000))));
    std::vector<char> badIndex = RedToBlue();
    badIndex[badIndex.size() - 4] = 7;
    EXPECT_FALSE(FillGradientSpec(canvas.Dc(), rect, Encode(badIndex)));
    EXPECT_FALSE(FillGradientSpec(canvas.Dc(), rect, "not base64 at all"));
    EXPECT_EQ(canvas.At(5, 5), RGB(255, 255, 255));
}

TEST(DeviceUnits, ScalingRoundingAndTint) {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    uint64_t twips = ScaleByDeviceDpi(screen, PackPoint(static_cast<uint32_t>(dpi), 0), 1440);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(PackedX(twips), 1440u);
    EXPECT_EQ(PackedY(twips), 0u);
    float value = 2.71828f;
    EXPECT_FLOAT_EQ(RoundToDecimals(&value, 2), 2.72f);
    EXPECT_FLOAT_EQ(value, 2.72f);
    EXPECT_EQ(PaletteShift(RGB(255, 255, 255)), RGB(234, 234, 234));
    EXPECT_EQ(PaletteShift(RGB(0, 0, 0)), RGB(42, 42, 42));
    EXPECT_EQ(PaletteShift(RGB(128, 129, 10)), RGB(170, 108, 52));
}

TEST(RtfTable, CellWidthsHeadsAndEscapes) {
    std::string plain = BuildRtfTable(1, 2, {L"a", L"b"}, true, 300);
    EXPECT_NE(plain.find("\\cellx300\\cellx600"), std::string::npos);
    EXPECT_EQ(plain.find("\\clbrdrl"), std::string::npos);
    std::string bordered = BuildRtfTable(1, 2, {L"a", L"b"}, false, 300);
    EXPECT_NE(bordered.find("\\trbrdrl"), std::string::npos);
    EXPECT_NE(bordered.find("\\brdrb\\cellx300"), std::string::npos);
    std::string escaped = BuildRtfTable(1, 1, {L"}\\par{\\b x\u00e9"}, true, 100);
    EXPECT_NE(escaped.find(" \\}\\\\par\\{\\\\b x\\u233? \\cell"), std::string::npos);
    for (char c : escaped) EXPECT_LT(static_cast<unsigned char>(c), 128);
    EXPECT_EQ(escaped.substr(escaped.size() - 10), "\\pard\\par}");
}

TEST_F(Appearance, CodedSelectionReproducesTheFormats) {
    PrintToWindow(kInformationLine, channel_,
                  L"a\x02"
                  L"b\x02 \x03"
                  L"4red\x03 \x03"
                  L"2,8both\x03 \x07"
                  L"00123456x");
    EXPECT_FALSE(GetSelectionAsCodedText(view_).has_value());
    std::wstring text = ViewText();
    CHARRANGE all{0, static_cast<LONG>(text.size())};
    SendMessageW(view_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    std::optional<std::wstring> coded = GetSelectionAsCodedText(view_);
    ASSERT_TRUE(coded.has_value());
    EXPECT_EQ(*coded, L"a\x02"
                      L"b\x02 \x03"
                      L"4red\x03"
                      L"1 \x03"
                      L"2,8both\x03"
                      L"1 \x07"
                      L"00123456x\r");
    // Printing the coded text again gives the same look.
    SetWindowTextW(view_, L"");
    PrintToWindow(kInformationLine, channel_, *coded);
    EXPECT_EQ(FormatAt(view_, static_cast<LONG>(ViewText().find(L"both"))).crBackColor, RGB(255, 255, 0));
    EXPECT_TRUE(FormatAt(view_, 1).dwEffects & CFE_BOLD);
}
