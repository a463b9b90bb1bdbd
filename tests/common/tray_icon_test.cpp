#include <gtest/gtest.h>

#include <string>

#include "common/tray_icon.h"

namespace {

TEST(ShowTrayBalloon, TipTakesTextsShorterThan128Characters) {
    const std::wstring fits(127, L'a');
    EXPECT_EQ(ShowTrayBalloon(L"", fits.c_str(), false, nullptr, NIIF_INFO), 0);
    EXPECT_EQ(std::wstring(TrayIconData().szTip), fits);

    const std::wstring tooLong(128, L'b');
    EXPECT_EQ(ShowTrayBalloon(L"", tooLong.c_str(), false, nullptr, NIIF_INFO), 0);
    EXPECT_EQ(std::wstring(TrayIconData().szTip), L"");
    EXPECT_EQ(TrayIconData().uCallbackMessage, 1027u);
}

TEST(ShowTrayBalloon, BalloonOnlyWithTitleAndText) {
    EXPECT_EQ(ShowTrayBalloon(L"", L"some text", false, nullptr, NIIF_INFO), 0);
    EXPECT_STREQ(TrayIconData().szInfoTitle, L"");
    EXPECT_STREQ(TrayIconData().szInfo, L"");
    EXPECT_EQ(ShowTrayBalloon(L"Title", L"", false, nullptr, NIIF_INFO), 0);
    EXPECT_EQ(ShowTrayBalloon(nullptr, nullptr, false, nullptr, NIIF_INFO), 0);

    EXPECT_EQ(ShowTrayBalloon(L"Title", L"Text", false, nullptr, NIIF_WARNING), 1);
    EXPECT_STREQ(TrayIconData().szInfoTitle, L"Title");
    EXPECT_STREQ(TrayIconData().szInfo, L"Text");
    EXPECT_EQ(TrayIconData().dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
}

TEST(NotifyIconWithBalloon, LongTextsAreCutToTheirFields) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    const std::wstring text(1000, L't'), title(500, L'h');
    NotifyIconWithBalloon(NIM_MODIFY, data, 5000, text.c_str(), title.c_str(), 0);
    EXPECT_EQ(std::wstring(data.szInfo), text.substr(0, 255));
    EXPECT_EQ(std::wstring(data.szInfoTitle), title.substr(0, 63));
}

} // namespace
