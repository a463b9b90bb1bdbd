// The custom-drawn view draws no pictures, tables or offer lines: what it cannot draw it shows as
// raw text, so nothing a line holds vanishes.
#include "tests/views/views_test_support.h"

#include "irc/custom_view_lines.h"
#include "shell/controls/chat_view_window.h"
#include "views/chat_view.h"

namespace {

class CustomViewMarkup : public ChatViewTest {};

TEST_F(CustomViewMarkup, SmileysTablesAndOffersShowAsTheirText) {
    static const bool registered = RegisterChatViewClass();
    ASSERT_TRUE(registered);
    HWND twin = CreateWindowExW(0, L"twin", L"", WS_CHILD | WS_VISIBLE, 0, 0, 560, 360, host_, nullptr,
                                nullptr, nullptr);
    channel_->View = twin;
    AppendViewLine(channel_,
                   L"<bob> hi \x12\x1E"
                   L"101\x12 there",
                   0);
    AppendViewLine(channel_,
                   L"<bob> \x12\x18"
                   L"1,2,0,left,right\x12 end",
                   0);
    AppendViewLine(channel_, L"<bob> \x12\x07 0 2048 10.0.0.1 5000 77 pic.png\x12", 0);
    InvalidateRect(twin, nullptr, FALSE);
    UpdateWindow(twin);

    auto* state = reinterpret_cast<ChatViewState*>(GetWindowLongPtrW(twin, GWLP_USERDATA));
    ASSERT_EQ(3u, state->Lines.size());
    std::wstring shown[3];
    for (size_t line = 0; line < 3; ++line)
        for (const TextRun& run : state->Lines[line].Runs) shown[line] += run.Text;
    EXPECT_EQ(L"<bob> hi 101 there", shown[0]);
    EXPECT_EQ(L"<bob> 1,2,0,left,right end", shown[1]);
    EXPECT_EQ(L"<bob>  0 2048 10.0.0.1 5000 77 pic.png", shown[2]);
    channel_->View = view_;
    DestroyWindow(twin);
}

} // namespace
