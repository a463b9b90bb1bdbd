// The notification ticker for real on the test display: the strip it takes from the screen's work
// area and gives back, a text wider than the strip, and the bounded queue.
#include <gtest/gtest.h>

#include "core/window_record.h"
#include "ui/ticker_window.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

#include <functional>
#include <string>

namespace {

bool PumpFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class Ticker : public testing::Test {
protected:
    void SetUp() override {
        // The fastest scroll the timer gives, so that texts cross the strip in seconds.
        document_ = new XmlDocument;
        XmlDocumentOpenText(document_, "<?xml version=\"1.0\" ?><qv><Cfg><Metrics Scroll_Timer=\"10\" />"
                                       "<Colors FG_Color=\"65535\" /></Cfg></qv>");
        UserConfigDocument = document_;
        channel_.Name = "#c";
    }
    void TearDown() override {
        ui::CloseTicker();
        UserConfigDocument = nullptr;
        XmlDocumentClose(document_);
        delete document_;
    }
    void Add(const std::wstring& text) {
        SendMessageW(TickerWindow.load(), WM_TICKER_ADD_TEXT, reinterpret_cast<WPARAM>(&channel_),
                     reinterpret_cast<LPARAM>(text.c_str()));
    }
    XmlDocument* document_ = nullptr;
    WindowRecord channel_{nullptr, kChannelWindow, nullptr};
};

} // namespace

TEST_F(Ticker, TakesTheBottomStripAndGivesTheWorkAreaBackExactlyHoweverItEnds) {
    const RECT before = WorkArea();
    ui::ToggleTickerWindow(&channel_);
    HWND ticker = TickerWindow.load();
    ASSERT_NE(ticker, nullptr);
    RECT strip{};
    GetWindowRect(ticker, &strip);
    EXPECT_EQ(strip.bottom, before.bottom);
    EXPECT_EQ(WorkArea().bottom, strip.top);
    ui::ToggleTickerWindow(&channel_);
    EXPECT_EQ(TickerWindow.load(), nullptr);
    EXPECT_FALSE(IsWindow(ticker));
    EXPECT_TRUE(Same(WorkArea(), before));

    // Ended by shutdown's close, or destroyed by anyone else: the same area comes back.
    ui::ToggleTickerWindow(&channel_);
    ASSERT_TRUE(ui::CloseTicker());
    EXPECT_TRUE(Same(WorkArea(), before));
    ui::ToggleTickerWindow(&channel_);
    DestroyWindow(TickerWindow.load());
    EXPECT_EQ(TickerWindow.load(), nullptr);
    EXPECT_TRUE(Same(WorkArea(), before));
}

TEST_F(Ticker, TextWiderThanTheStripEntersOnceTheStripIsFreeAndTheNextFollows) {
    ui::ToggleTickerWindow(&channel_);
    ASSERT_NE(TickerWindow.load(), nullptr);
    RECT client{};
    GetClientRect(TickerWindow.load(), &client);
    ASSERT_TRUE(PumpFor([] { return TickerQueueLength() == 0; }, 30000)) << "the title never showed";
    // About twice the strip's width.
    Add(std::wstring(static_cast<size_t>(client.right / 5), L'W'));
    Add(L"after");
    ASSERT_TRUE(PumpFor([] { return TickerQueueLength() == 1; }, 60000)) << "the wide text never entered";
    // Drawn from the strip's left edge; its rest is still to come in at the right.
    EXPECT_LT(TickerFreePixels(), 0);
    EXPECT_TRUE(PumpFor([] { return TickerQueueLength() == 0; }, 120000)) << "the queue stayed blocked";
}

TEST_F(Ticker, ChannelLinesCarryTheirNameAndTheQueueIsBounded) {
    EXPECT_EQ(TickerEntryText(&channel_, L"hi"), L"[#c] hi | ");
    WindowRecord query(nullptr, kQueryWindow, nullptr);
    query.Name = "nick";
    EXPECT_EQ(TickerEntryText(&query, L"hi"), L"hi | ");

    ui::ToggleTickerWindow(&channel_);
    for (size_t i = 0; i < kTickerQueueLimit + 100; ++i) Add(L"line " + std::to_wstring(i));
    EXPECT_EQ(TickerQueueLength(), kTickerQueueLimit);
}
