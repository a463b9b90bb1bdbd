// The ribbon's colours as the framework takes them: RGB to hue, saturation and brightness.
#include <gtest/gtest.h>

#include "ui/ribbon.h"

TEST(RibbonColours, RgbBecomesHueSaturationAndBrightness) {
    struct Case {
        uint32_t Rgb;
        uint32_t Hue, Saturation, Brightness;
    };
    const Case cases[] = {
        {0x00FFFFFF, 0, 0, 255},                           // white
        {0x00808080, 0, 0, 154},                           // grey, on the framework's brightness curve
        {0x00404040, 0, 0, 50},     {0x00000000, 0, 0, 0}, // black: no lightness at all
        {0x0000FF00, 85, 255, 153},                        // pure green: a third round the hue circle
    };
    for (const Case& c : cases) {
        const uint32_t hsb = RgbToRibbonHsb(c.Rgb);
        EXPECT_EQ(hsb & 0xFF, c.Hue) << std::hex << c.Rgb;
        EXPECT_EQ((hsb >> 8) & 0xFF, c.Saturation) << std::hex << c.Rgb;
        EXPECT_EQ((hsb >> 16) & 0xFF, c.Brightness) << std::hex << c.Rgb;
    }
}
